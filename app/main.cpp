// TarnControl start-up: identity, the settings file (beside the executable, or the user's own
// folders when the program's folder is not writable), the signal log, the
// register table and the device graph, the main window's loop, and the orderly end that saves
// the device's settings.

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPointer>
#include <QSettings>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "signallogger.h"
#include "zdevicefactory.h"
#include "zlanguage.h"
#include "zsignalwatcher.h"
#include "zstartup.h"
#include "ztarnvex.h"
#include "zwindowloop.h"

namespace {

// One line on standard error, so that a terminal or a service log shows what went wrong.
void reportOnStderr(const QString &what)
{
    QByteArray line = "TarnControl: " + what.toUtf8();
    line.replace('\n', ' ');
    std::fprintf(stderr, "%s\n", line.constData());
}

} // namespace

int main(int argc, char *argv[])
{
    // Building the application object takes a while (much longer under a sanitizer or on a busy
    // machine); a SIGINT or SIGTERM that comes meanwhile waits for the watcher below instead of
    // killing the program before it could save its settings.
    ZSignalWatcher::blockTerminationSignals();
    ZStartup::keepLargeBlocksSeparate();
    QApplication app(argc, argv);
    ZStartup::setIdentity();
    // Every window of the program carries the program's own icon.
    app.setWindowIcon(QIcon(QStringLiteral(":/tarncontrol.png")));
    const QString appDir = QCoreApplication::applicationDirPath();
    const ZStartup::Places places = ZStartup::placesFor(appDir);
    ZStartup::useSettingsFileIn(places.settingsDir);
    if (!places.besideProgram) {
        // Installed where the operator may not write: say once where the settings and the log go,
        // since nothing in the window shows it.
        if (!QDir().mkpath(places.settingsDir))
            reportOnStderr(QStringLiteral("cannot create the settings folder %1").arg(places.settingsDir));
        reportOnStderr(QStringLiteral("%1 is not writable: settings in %2, signal log in %3")
                           .arg(appDir, ZStartup::settingsFilePath(), places.logDir));
    }

    // Every text from here on, the log folder question included, in the operator's language.
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        const QString language = ZLanguage::fromEnvironment(settings->value(QStringLiteral("Language")).toString());
        if (!ZLanguage::install(language))
            reportOnStderr(QStringLiteral("no %1 translation built in; texts stay Russian").arg(language));
    }

    // Before anything that waits: a SIGTERM during the log directory question or a long load
    // of the register table then ends the program through the event loop instead of killing it.
    // A signal held back since the first line is let through here.
    ZSignalWatcher signalWatcher;
    bool terminated = false;
    QObject::connect(&signalWatcher, &ZSignalWatcher::terminationRequested, [&terminated] { terminated = true; });

    setupSignalLogger(places.logDir, places.besideProgram ? MissingLogDir::Ask : MissingLogDir::Create);
    if (terminated)
        return 0;

    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    const int logInterval = ZStartup::readLogInterval(*settings);

    std::unique_ptr<ZTarnVex> device;
    try {
        device = ZDeviceFactory::createTarnVex(appDir + "/tarn_vex.ddb");
    } catch (const std::runtime_error &e) {
        reportOnStderr(QString::fromUtf8(e.what()));
        return 2;
    } catch (const std::bad_cast &e) {
        reportOnStderr(QString::fromUtf8(e.what()));
        return 2;
    }

    const QStringList complaints =
        ZStartup::loadDeviceSettings(device.get(), QLatin1String(ZStartup::DefaultPortName));
    for (const QString &complaint : complaints)
        reportOnStderr(complaint);
    device->start();

    auto loop = std::make_unique<ZWindowLoop>(device.get(), logInterval, places);
    QObject::connect(&signalWatcher, &ZSignalWatcher::terminationRequested, loop.get(), &ZWindowLoop::terminate);
    const int exitCode = terminated ? 0 : loop->exec();

    if (!ZStartup::saveDeviceSettings(device.get()))
        reportOnStderr(QStringLiteral("cannot write the settings file %1").arg(ZStartup::settingsFilePath()));
    settings->sync();
    // The device first, then the last window; then whatever top-level window is still open (the
    // register dialog lives on its own).
    device.reset();
    loop.reset();
    QList<QPointer<QWidget>> strays;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!widget->parentWidget())
            strays << widget;
    }
    for (const QPointer<QWidget> &widget : qAsConst(strays))
        delete widget.data();
    return exitCode;
}
