#include "app/IndicatorIcon.h"

#include <QMouseEvent>
#include <QPixmap>

namespace veltro {

IndicatorIcon::IndicatorIcon(const QImage& image, bool reportsClicks, QWidget* parent)
    : QLabel(parent), reportsClicks_(reportsClicks) {
    setPixmap(QPixmap::fromImage(image));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hide();
}

void IndicatorIcon::mousePressEvent(QMouseEvent* event) {
    if (reportsClicks_ && event->button() == Qt::LeftButton) {
        emit clicked();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

}  // namespace veltro
