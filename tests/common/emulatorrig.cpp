#include "emulatorrig.h"

#include <QtTest>

#include "zabstractconnection.h"
#include "zdevicefactory.h"
#include "zserialportprops.h"

EmulatorRig::EmulatorRig(int readTimeoutMs)
    : emulator(QStringLiteral(TARN_DB_PATH)),
      device(ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH)))
{
    emulator.setDeterministic(true);
    device->connection()->setReadTimeout(readTimeoutMs);
}

bool EmulatorRig::startEmulator()
{
    if (!emulator.start(dir.filePath(QStringLiteral("ttyTARN")))) {
        qWarning("emulator: %s", qPrintable(emulator.errorString()));
        return false;
    }
    ZSerialPortProps props;
    props.name = emulator.portPath();
    device->connection()->setDetails(QVariant::fromValue(props));
    return true;
}

bool EmulatorRig::startServer(Ser2NetServer::Kind kind)
{
    if (!emulator.isRunning() && !startEmulator())
        return false;
    server.reset(new Ser2NetServer(emulator.portPath(), kind));
    if (!server->start())
        return false;
    ZSerialPortProps props = ZSerialPortProps::fromVariant(device->connection()->details());
    props.name = server->portName();
    device->connection()->setDetails(QVariant::fromValue(props));
    return true;
}

bool EmulatorRig::connect()
{
    if (!emulator.isRunning() && !startEmulator())
        return false;
    device->start();
    return QTest::qWaitFor([this] { return device->isConnected(); }, 5000);
}
