#include "app/Profile.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace veltro {

namespace {

int ReadInteger(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

QString Profile::PathFor(const QString& applicationName) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           applicationName + QStringLiteral(".INI");
}

Profile::MenuLook Profile::ReadMenuLook(const QString& path) {
    const QSettings settings(path, QSettings::IniFormat);
    MenuLook look;
    look.selection = ReadInteger(settings, QStringLiteral("MenuLook/Selection"), look.selection);
    look.shade = ReadInteger(settings, QStringLiteral("MenuLook/Shade"), look.shade);
    return look;
}

bool Profile::ReadPortScan(const QString& path) {
    const QSettings settings(path, QSettings::IniFormat);
    return ReadInteger(settings, QStringLiteral("Modem/PortScan"), 0) == 1;
}

QString Profile::ReadBalanceCode(const QString& path) {
    const QSettings settings(path, QSettings::IniFormat);
    const QString code = settings.value(QStringLiteral("Ussd/BalanceCode")).toString().trimmed();
    static const QRegularExpression kCode(QStringLiteral("^[0-9*#]{1,40}$"));
    return kCode.match(code).hasMatch() ? code : QStringLiteral("*100#");
}

std::uint64_t Profile::ReadMonthlyCap(const QString& path) {
    const QSettings settings(path, QSettings::IniFormat);
    bool ok = false;
    const qulonglong megabytes =
        settings.value(QStringLiteral("Traffic/MonthlyCapMB")).toULongLong(&ok);
    return ok ? static_cast<std::uint64_t>(megabytes) * 1024 * 1024 : 0;
}

}  // namespace veltro
