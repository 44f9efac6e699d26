#include "zdevicefactory.h"

#include "zfastloader.h"
#include "zfastprotocolhendler.h"
#include "zserialconnection.h"
#include "ztarnvex.h"

std::unique_ptr<ZTarnVex> ZDeviceFactory::createTarnVex(const QString &databasePath,
                                                        const ConnectionMaker &makeConnection)
{
    std::unique_ptr<ZFastProtocolHendler> protocol(new ZFastProtocolHendler);
    std::unique_ptr<ZAbstractConnection> connection(
        makeConnection ? makeConnection(protocol.get()) : new ZSerialConnection(protocol.get()));
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
    return device;
}
