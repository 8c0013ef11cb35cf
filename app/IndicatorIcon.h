#pragma once

#include <QImage>
#include <QLabel>

namespace veltro {

// A status indicator of the main window: an image drawn at the top-left of its
// control, hidden until the window shows it. One that reports clicks (the envelope)
// takes them; the others let them through, so the window can be dragged by them.
class IndicatorIcon : public QLabel {
    Q_OBJECT

public:
    IndicatorIcon(const QImage& image, bool reportsClicks, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool reportsClicks_;
};

}  // namespace veltro
