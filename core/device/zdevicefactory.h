#ifndef ZDEVICEFACTORY_H
#define ZDEVICEFACTORY_H

#include <QString>

#include <functional>
#include <memory>

class ZAbstractConnection;
class ZAbstractProtocolHendler;
class ZTarnVex;

// Builds the receiver's object graph, the one way the program, its tests and its benchmarks get
// a device: protocol handler, connection, register table from the database, status register,
// then the device, which is handed the table, the status register, the connection and the
// handler in that order and named "ТАРН"/"TARN". The device owns all of it; the caller owns the
// device alone.
//
// Throws what building throws (ZFastLoaderException for a defective database, ZDeviceException
// from the device's set-up); whatever was created before is released again.
class ZDeviceFactory
{
public:
    // Makes the connection for a given protocol handler. The default is the serial worker.
    using ConnectionMaker = std::function<ZAbstractConnection *(ZAbstractProtocolHendler *)>;

    static std::unique_ptr<ZTarnVex> createTarnVex(const QString &databasePath,
                                                   const ConnectionMaker &makeConnection = {});
};

#endif // ZDEVICEFACTORY_H
