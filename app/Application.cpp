#include "app/Application.h"

#include <QApplication>

#include <cstdio>
#include <memory>

#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/Profile.h"
#include "app/SessionEnd.h"
#include "app/SingleInstance.h"
#include "app/Translation.h"
#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "ui/MenuFrameStyle.h"
#include "ui/MenuStyle.h"
#include "vcard/DemoCard.h"

namespace veltro {

int Application::Run(const QStringList& arguments) {
    const QString name = SingleInstance::ApplicationName();
    SingleInstance instance(name, SingleInstance::RuntimeDirectory());
    if (!instance.Claim()) {
        // Another copy runs: bring its window forward and end without showing anything.
        instance.ActivateFirstCopy();
        return 0;
    }

    // The virtual card registers itself in a device table of its own, so discovery
    // takes the same path as with a real card.
    std::unique_ptr<vcard::DemoCard> demo;
    if (arguments.contains(QStringLiteral("--demo"))) {
        demo = std::make_unique<vcard::DemoCard>();
        if (!demo->Start()) {
            std::fprintf(stderr,
                         "veltrogprs: --demo: the virtual data card could not be started\n");
            return 1;
        }
    }

    Translation::Install();
    ApplyMenuLook(Profile::PathFor(name));
    // The demo card sits in a device table of its own, which the scan would pass by.
    if (!demo) {
        ModemEngine::RequestPortScan(Profile::ReadPortScan(Profile::PathFor(name)));
    }
    QApplication::setQuitOnLastWindowClosed(false);
    DialogColours::Apply();

    Clock& clock = SystemClock::Instance();
    MainDialog dialog(clock, SerialPort::Factory(clock));
    QObject::connect(&dialog, &MainDialog::ended, qApp, &QCoreApplication::quit);
    SessionEnd sessionEnd;
    if (!sessionEnd.Install()) {
        std::fprintf(stderr, "veltrogprs: the window cannot save its files at a logout or kill\n");
    }
    QObject::connect(&sessionEnd, &SessionEnd::requested, &dialog,
                     [&dialog] { dialog.Connection().EndForSession(); });
    // The desktop session's end, where the platform reports it.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &dialog,
                     [&dialog] { dialog.Connection().EndForSession(); });
    dialog.Initialise(&instance);
    dialog.show();
    return QApplication::exec();
}

void Application::ApplyMenuLook(const QString& profilePath) {
    InstallMenuLook();
    SelectMenuStyle(kMenuStyle);
    const Profile::MenuLook look = Profile::ReadMenuLook(profilePath);
    SetMenuSelectionOption(look.selection);
    SetMenuShadeOption(look.shade);
}

}  // namespace veltro
