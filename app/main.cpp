// TarnControl start-up: identity, the settings file beside the executable, the register table
// and the device graph, the event loop, and the orderly end that saves the device's settings.

#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <typeinfo>

#include "zfastloader.h"
#include "zfastprotocolhendler.h"
#include "zserialconnection.h"
#include "zsignalwatcher.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

// Builds protocol handler, connection, register table and device. Whatever was created is
// released again when a step fails, so a failed start leaves nothing running.
ZTarnVex *buildDevice(const QString &databasePath)
{
    std::unique_ptr<ZFastProtocolHendler> protocol(new ZFastProtocolHendler);
    std::unique_ptr<ZSerialConnection> connection(new ZSerialConnection(protocol.get()));
    std::unique_ptr<RegisterTable> table(new RegisterTable);
    loadRegisters(table.get(), databasePath);
    ZRegister *statusRegister = findStatusRegister(table.get());

    std::unique_ptr<ZTarnVex> device(new ZTarnVex);
    device->setRegisters(table.release());
    device->setStatusRegister(statusRegister);
    device->setConnection(connection.release());
    device->setProtocol(protocol.release());
    device->setName(QStringLiteral("ТАРН"));
    device->setLatinName(QStringLiteral("TARN"));
    return device.release();
}

void reportStartupFailure(const char *what)
{
    // One line, so that a terminal or a service log shows why the program did not start.
    QByteArray line = QByteArray("TarnControl: ") + what;
    line.replace('\n', ' ');
    std::fprintf(stderr, "%s\n", line.constData());
}

// Without a window the device's own report lines are the operator's only view of the exchange.
void printDeviceEvents(ZAbstractDevice *device)
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
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ZStartup::setIdentity();
    const QString appDir = QCoreApplication::applicationDirPath();
    ZStartup::useSettingsFileIn(appDir);

    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    const int logInterval = ZStartup::readLogInterval(*settings);
    Q_UNUSED(logInterval) // handed to the main window

    ZTarnVex *device = nullptr;
    try {
        device = buildDevice(appDir + "/tarn_vex.ddb");
    } catch (const std::runtime_error &e) {
        reportStartupFailure(e.what());
        return 2;
    } catch (const std::bad_cast &e) {
        reportStartupFailure(e.what());
        return 2;
    }

    ZStartup::loadDeviceSettings(device, QLatin1String(ZStartup::DefaultPortName));
    ZSignalWatcher signalWatcher;
    printDeviceEvents(device);
    device->start();

    const int exitCode = app.exec();

    ZStartup::saveDeviceSettings(device);
    settings->sync();
    delete device;
    return exitCode;
}
