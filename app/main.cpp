// TarnControl start-up: identity, the settings file beside the executable, the register table
// and the device graph, the event loop, and the orderly end that saves the device's settings.

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "zdevicefactory.h"
#include "zsignalwatcher.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

// One line on standard error, so that a terminal or a service log shows what went wrong.
void reportOnStderr(const QString &what)
{
    QByteArray line = "TarnControl: " + what.toUtf8();
    line.replace('\n', ' ');
    std::fprintf(stderr, "%s\n", line.constData());
}

// Without a window the device's own report lines, and a summary of the decoded status every
// few seconds, are the operator's only view of the exchange.
void printDeviceEvents(ZTarnVex *device)
{
    auto print = [](const QString &text) {
        std::fprintf(stdout, "%s\n", text.toUtf8().constData());
        std::fflush(stdout);
    };
    QObject::connect(device, &ZAbstractDevice::started, [print] { print(QStringLiteral("exchange started")); });
    QObject::connect(device, &ZAbstractDevice::finished, [print] { print(QStringLiteral("exchange stopped")); });
    QObject::connect(device, &ZAbstractDevice::connected, [print] { print(QStringLiteral("device connected")); });
    QObject::connect(device, &ZAbstractDevice::disconnected, [print] { print(QStringLiteral("device disconnected")); });
    QObject::connect(device, &ZAbstractDevice::message, print);
    QObject::connect(device, &ZAbstractDevice::critical,
                     [print](const QString &text) { print(QStringLiteral("critical: ") + text); });

    auto *summary = new QTimer(device);
    QObject::connect(summary, &QTimer::timeout, device, [device, print] {
        if (!device->isConnected())
            return;
        print(QStringLiteral("lock %1, frequency %2 kHz, power %3 dBm, voltage %4 V, alarm %5 | %6 | %7")
                  .arg(device->lock())
                  .arg(device->frequency())
                  .arg(double(device->power()), 0, 'f', 1)
                  .arg(double(device->voltage()), 0, 'f', 2)
                  .arg(device->generalAlarmValue())
                  .arg(device->topLine().trimmed(), device->bottomLine().trimmed()));
    });
    summary->start(3000);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ZStartup::setIdentity();
    // Every window of the program carries the program's own icon.
    app.setWindowIcon(QIcon(QStringLiteral(":/tarncontrol.png")));
    const QString appDir = QCoreApplication::applicationDirPath();
    ZStartup::useSettingsFileIn(appDir);

    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    const int logInterval = ZStartup::readLogInterval(*settings);
    Q_UNUSED(logInterval) // handed to the main window

    // Before the register table is read: a SIGTERM during a long load then ends the program
    // through the event loop, with its settings saved, instead of killing it.
    ZSignalWatcher signalWatcher;

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
    printDeviceEvents(device.get());
    device->start();

    const int exitCode = app.exec();

    if (!ZStartup::saveDeviceSettings(device.get()))
        reportOnStderr(QStringLiteral("cannot write the settings file %1").arg(ZStartup::settingsFilePath()));
    device.reset();
    return exitCode;
}
