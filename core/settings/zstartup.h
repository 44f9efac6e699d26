#ifndef ZSTARTUP_H
#define ZSTARTUP_H

#include <QString>
#include <QStringList>

class QObject;
class QSettings;
class ZAbstractDevice;

// The fixed identity of the program and the settings it reads and writes at start-up and exit.
namespace ZStartup {

extern const char *const ApplicationVersion; // "2.0", from the build (the package's version)
extern const char *const BuildDate;          // "14.02.19"
extern const char *const DefaultPortName;    // "ttyUSB0"

// Organization, domain, application name and version: they choose the settings store.
void setIdentity();

// Memory blocks of a quarter of a megabyte and more are taken from the system and handed back
// to it each on its own. The C library would otherwise raise that bound to the size of the
// largest block freed so far (the exchange monitor's logs free blocks of 16 MB), after which such
// blocks come from the common heap and what they leave behind stays with the program: the
// resident memory of a program running for weeks would climb in steps. Call first thing in main.
void keepLargeBlocksSeparate();

// Where the program keeps what it writes: the folder of its settings file and of its signal log.
struct Places
{
    QString settingsDir;
    QString logDir;
    bool besideProgram = true;
};

// Beside the executable in `appDir` whenever the program may write there, so that a copy on a
// stick keeps its settings and log with it. Otherwise, as for a copy installed for everybody,
// the user's own folders: settings in the configuration folder, the log in "logs" of the data
// folder (for the organization and application names of setIdentity, which must come first).
Places placesFor(const QString &appDir);

// Makes "settings.ini" in `appDir` the program's settings file, whatever the platform's own
// store would be. Open it with openSettings().
void useSettingsFileIn(const QString &appDir);

// The settings file chosen by useSettingsFileIn.
QString settingsFilePath();

// Opens the program's settings file. QSettings' own path setting names a directory (the file
// would become settings.ini/<organization>/<application>.ini), so the file is opened by name.
QSettings *openSettings(QObject *parent = nullptr);

// "Logger"/"Interval"; `fallback` when absent or not a whole number of at least 1 ms, since a
// damaged value must not turn into a timer that fires as fast as it can.
int readLogInterval(QSettings &settings, int fallback = 500);

// Sane ranges of the device's timing settings. A value outside them, or one that is not a whole
// number, is replaced by the default: a negative ask interval would never poll, a wait shorter
// than a reply would never connect.
constexpr int MinAskInterval = 0, MaxAskInterval = 10000, DefaultAskInterval = 10;
constexpr int MinWaitTimeout = 20, MaxWaitTimeout = 60000, DefaultWaitTimeout = 1000;

// The device's group ("TARN"): port name, wait time-out and ask interval. Returns one line for
// each value that was replaced by its default; the replacement is what will be saved.
QStringList loadDeviceSettings(ZAbstractDevice *device, const QString &defaultPortName);
// False when the settings file could not be written.
bool saveDeviceSettings(ZAbstractDevice *device);

} // namespace ZStartup

#endif // ZSTARTUP_H
