#pragma once

#include <QSize>
#include <QTimer>
#include <QWidget>

#include "pages/PageHost.h"

namespace veltro {

// A child page of the main window, built from a dialog template of the given size in
// dialog units, hidden until the main window shows it. Each page's window has a
// timer 1 that the main window arms and stops; what a tick does is the page's own.
class DialogPage : public QWidget {
    Q_OBJECT

public:
    DialogPage(PageHost& host, QWidget* parent, QSize templateUnits);

    QSize TemplateSize() const { return templateSize_; }

    void StartTimer1(int periodMs);
    virtual void StopTimer1();
    bool IsTimer1Active() const { return timer1_.isActive(); }
    int Timer1Period() const { return timer1_.interval(); }

protected:
    QTimer& Timer1() { return timer1_; }
    PageHost& Host() const { return host_; }

private:
    PageHost& host_;
    QSize templateSize_;
    QTimer timer1_;
};

}  // namespace veltro
