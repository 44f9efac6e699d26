#ifndef ZSTARTUP_H
#define ZSTARTUP_H

#include <QString>

class QObject;
class QSettings;
class ZAbstractDevice;

// The fixed identity of the program and the settings it reads and writes at start-up and exit.
namespace ZStartup {

extern const char *const ApplicationVersion; // "2.0"
extern const char *const BuildDate;          // "14.02.19"
extern const char *const DefaultPortName;    // "ttyUSB0"

// Organization, domain, application name and version: they choose the settings store.
void setIdentity();

// Makes "settings.ini" in `appDir` the program's settings file, whatever the platform's own
// store would be. Open it with settingsFile().
void useSettingsFileIn(const QString &appDir);

// The settings file chosen by useSettingsFileIn.
QString settingsFilePath();

// Opens the program's settings file. QSettings' own path setting names a directory (the file
// would become settings.ini/<organization>/<application>.ini), so the file is opened by name.
QSettings *openSettings(QObject *parent = nullptr);

// "Logger"/"Interval", 500 ms when absent.
int readLogInterval(QSettings &settings);

// The device's group ("TARN"): port name, wait time-out and ask interval.
void loadDeviceSettings(ZAbstractDevice *device, const QString &defaultPortName);
void saveDeviceSettings(ZAbstractDevice *device);

} // namespace ZStartup

#endif // ZSTARTUP_H
