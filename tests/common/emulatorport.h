#ifndef EMULATORPORT_H
#define EMULATORPORT_H

// For tests that link the emulator: points a device's serial connection at the emulator's port,
// with the default line settings.

#include <QVariant>

#include "zabstractconnection.h"
#include "zabstractdevice.h"
#include "zdeviceemulator.h"
#include "zserialportprops.h"

inline void pointAtEmulator(ZAbstractDevice *device, const ZDeviceEmulator &emulator)
{
    ZSerialPortProps props;
    props.name = emulator.portPath();
    device->connection()->setDetails(QVariant::fromValue(props));
}

#endif // EMULATORPORT_H
