#ifndef EMULATORRIG_H
#define EMULATORRIG_H

#include <QTemporaryDir>

#include <memory>

#include "ser2netserver.h"
#include "zdeviceemulator.h"
#include "ztarnvex.h"

// The receiver as start-up builds it, with its serial connection, and the emulator it talks to
// through a pseudo-terminal behind a link in a directory of its own, or through ser2net in front
// of that pseudo-terminal. The device is declared last, so that it and its worker end before
// the server, the emulator and the link go.
class EmulatorRig
{
public:
    // A deterministic emulator, and the device's read time-out.
    explicit EmulatorRig(int readTimeoutMs = 1000);

    // Starts the emulator and points the device's connection at it; says why when it cannot.
    bool startEmulator();
    // Starts the emulator if need be and ser2net in front of it, and points the device's
    // connection at the server; says why when it cannot.
    bool startServer(Ser2NetServer::Kind kind);
    // Starts the emulator if need be, then the device, and waits until it is connected.
    bool connect();
    ZRegister *reg(int number) const { return findRegister(device->registers(), number); }

    QTemporaryDir dir;
    ZDeviceEmulator emulator;
    std::unique_ptr<Ser2NetServer> server;
    std::unique_ptr<ZTarnVex> device;
};

#endif // EMULATORRIG_H
