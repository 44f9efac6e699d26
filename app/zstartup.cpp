#include "zstartup.h"

#include <QCoreApplication>
#include <QSettings>

#include "zabstractconnection.h"
#include "zabstractdevice.h"
#include "zserialportprops.h"

namespace ZStartup {

const char *const ApplicationVersion = "2.0";
const char *const BuildDate = "14.02.19";
const char *const DefaultPortName = "ttyUSB0";

void setIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("zembrakor"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("zembrakor.local"));
    QCoreApplication::setApplicationName(QStringLiteral("TarnControl"));
    QCoreApplication::setApplicationVersion(QLatin1String(ApplicationVersion));
}

namespace {
QString g_settingsFile;
}

void useSettingsFileIn(const QString &appDir)
{
    g_settingsFile = appDir + "/settings.ini";
    // A default-constructed QSettings would still reach the platform's store; keep even those
    // beside the executable, in INI form.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, appDir);
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, appDir);
}

QString settingsFilePath()
{
    return g_settingsFile;
}

QSettings *openSettings(QObject *parent)
{
    return new QSettings(g_settingsFile, QSettings::IniFormat, parent);
}

int readLogInterval(QSettings &settings)
{
    settings.beginGroup(QStringLiteral("Logger"));
    const int interval = settings.value(QStringLiteral("Interval"), 500).toInt();
    settings.endGroup();
    return interval;
}

void loadDeviceSettings(ZAbstractDevice *device, const QString &defaultPortName)
{
    QSettings settings(g_settingsFile, QSettings::IniFormat);
    settings.beginGroup(device->latinName());
    ZSerialPortProps props;
    props.name = settings.value(QStringLiteral("SerialPort"), defaultPortName).toString();
    device->connection()->setDetails(QVariant::fromValue(props));
    device->connection()->setReadTimeout(settings.value(QStringLiteral("WaitTimout"), 1000).toInt());
    device->setProperty("askinterval", settings.value(QStringLiteral("AskInterval"), 10).toInt());
    settings.endGroup();
}

void saveDeviceSettings(ZAbstractDevice *device)
{
    QSettings settings(g_settingsFile, QSettings::IniFormat);
    settings.beginGroup(device->latinName());
    const ZSerialPortProps props = ZSerialPortProps::fromVariant(device->connection()->details());
    settings.setValue(QStringLiteral("SerialPort"), props.name);
    settings.setValue(QStringLiteral("AskInterval"), device->askInterval());
    settings.setValue(QStringLiteral("WaitTimout"), device->connection()->readTimeout());
    settings.endGroup();
}

} // namespace ZStartup
