#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <vector>

#include "modem/ModemDeviceClass.h"

namespace veltro::test {

// A folder of its own for a window under test: it is the current directory (the data
// files) and holds the configuration, state and runtime folders and the device table,
// which starts empty. The previous directory is current again when it goes.
class WindowSandbox : public QTemporaryDir {
public:
    WindowSandbox() : previous_(QDir::currentPath()) {
        if (!isValid() || !QDir::setCurrent(path()) || !QDir().mkdir(QStringLiteral("run"))) {
            qFatal("the test folder could not be made");
        }
        QFile::setPermissions(QStringLiteral("run"), QFileDevice::ReadOwner |
                                                         QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner);
        qputenv("XDG_CONFIG_HOME", filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_STATE_HOME", filePath(QStringLiteral("state")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", filePath(QStringLiteral("run")).toUtf8());
        qputenv("VELTROGPRS_MODEMS", TablePath().toUtf8());
        qunsetenv("VELTROGPRS_PHONEBOOK");
        qunsetenv("VELTROGPRS_PORT_SCAN");
        WriteTable({});
    }
    ~WindowSandbox() { QDir::setCurrent(previous_); }

    QString TablePath() const { return filePath(QStringLiteral("modems.ini")); }
    void WriteTable(const std::vector<ModemDevice>& devices) const {
        std::ofstream(TablePath().toStdString()) << ModemDeviceClass::TableText(devices);
    }

private:
    QString previous_;
};

}  // namespace veltro::test
