#include "zstartup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "zabstractconnection.h"
#include "zabstractdevice.h"
#include "zserialportprops.h"

namespace ZStartup {

const char *const ApplicationVersion = TARN_VERSION;
const char *const BuildDate = "14.02.19";
const char *const DefaultPortName = "ttyUSB0";

void keepLargeBlocksSeparate()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

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

Places placesFor(const QString &appDir)
{
    Places places;
    if (QFileInfo(appDir).isWritable()) {
        places.settingsDir = appDir;
        places.logDir = appDir + QStringLiteral("/logs");
        return places;
    }
    places.besideProgram = false;
    places.settingsDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    places.logDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs");
    return places;
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

int readLogInterval(QSettings &settings, int fallback)
{
    bool ok = false;
    const int interval = settings.value(QStringLiteral("Logger/Interval"), fallback).toInt(&ok);
    return ok && interval >= 1 ? interval : fallback;
}

namespace {

// The integer under `key`, or `fallback` when absent; a value that is not a whole number in
// min..max gives `fallback` and a line in `complaints`.
int boundedSetting(const QSettings &settings, const QString &key, int min, int max, int fallback,
                   QStringList *complaints)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (ok && number >= min && number <= max)
        return int(number);
    *complaints << QStringLiteral("setting \"%1/%2\" is \"%3\", not a whole number from %4 to %5; using %6")
                       .arg(settings.group(), key, value.toString())
                       .arg(min).arg(max).arg(fallback);
    return fallback;
}

} // namespace

QStringList loadDeviceSettings(ZAbstractDevice *device, const QString &defaultPortName)
{
    QStringList complaints;
    QSettings settings(g_settingsFile, QSettings::IniFormat);
    settings.beginGroup(device->latinName());
    ZSerialPortProps props;
    props.name = settings.value(QStringLiteral("SerialPort"), defaultPortName).toString();
    device->connection()->setDetails(QVariant::fromValue(props));
    device->connection()->setReadTimeout(boundedSetting(settings, QStringLiteral("WaitTimout"),
        MinWaitTimeout, MaxWaitTimeout, DefaultWaitTimeout, &complaints));
    device->setProperty("askinterval", boundedSetting(settings, QStringLiteral("AskInterval"),
        MinAskInterval, MaxAskInterval, DefaultAskInterval, &complaints));
    settings.endGroup();
    return complaints;
}

bool saveDeviceSettings(ZAbstractDevice *device)
{
    QSettings settings(g_settingsFile, QSettings::IniFormat);
    settings.beginGroup(device->latinName());
    const ZSerialPortProps props = ZSerialPortProps::fromVariant(device->connection()->details());
    settings.setValue(QStringLiteral("SerialPort"), props.name);
    settings.setValue(QStringLiteral("AskInterval"), device->askInterval());
    settings.setValue(QStringLiteral("WaitTimout"), device->connection()->readTimeout());
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace ZStartup
