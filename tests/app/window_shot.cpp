// Starts the window on the virtual data card, waits for the end of the device start-up
// and saves what the screen shows of the window as a PNG. Run under Xvfb by
// scripts/window-shot.sh; the picture is the README's docs/window.png.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/DemoCard.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    veltro::vcard::DemoCard demo;
    if (!demo.Start()) {
        std::fprintf(stderr, "the virtual card did not start\n");
        return 1;
    }
    veltro::DialogColours::Apply();
    veltro::Clock& clock = veltro::SystemClock::Instance();
    veltro::MainDialog dialog(clock, veltro::SerialPort::Factory(clock));
    int result = 1;
    QObject::connect(&dialog, &veltro::MainDialog::startupFinished, &dialog, [&](int outcome) {
        QTimer::singleShot(500, &dialog, [&, outcome] {
            const QRect frame = dialog.frameGeometry();
            const QPixmap shot =
                dialog.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
            result = outcome == 0 && shot.save(output) ? 0 : 1;
            QApplication::exit(0);
        });
    });
    dialog.Initialise(nullptr);
    dialog.move(40, 40);
    dialog.show();
    QApplication::exec();
    return result;
}
