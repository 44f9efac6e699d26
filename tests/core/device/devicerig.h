#ifndef DEVICERIG_H
#define DEVICERIG_H

// A receiver device wired to the real register table and protocol handler and to a scripted
// connection, with helpers that play one exchange at a time.

#include <QSignalSpy>
#include <QtTest>

#include "scriptedconnection.h"
#include "testbytes.h"
#include "zdevicefactory.h"
#include "zfastprotocolhendler.h"
#include "ztarnvex.h"

struct DeviceRig
{
    ScriptedConnection *conn = nullptr;
    ZTarnVex *dev = ZDeviceFactory::createTarnVex(QStringLiteral(TARN_DB_PATH),
                                                  [this](ZAbstractProtocolHendler *handler) {
                                                      return conn = new ScriptedConnection(handler);
                                                  }).release();
    RegisterTable *table = dev->registers();
    ZFastProtocolHendler *handler = static_cast<ZFastProtocolHendler *>(dev->protocol());

    DeviceRig() { dev->setAskInterval(1); }
    ~DeviceRig()
    {
        delete dev;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Waits for the device to hand the connection a new request and returns it. The requests
    // are events to wait for: QTest::qWaitFor would sleep 10 ms a pass, two passes a request.
    QByteArray nextRequest()
    {
        QSignalSpy requested(conn, &ScriptedConnection::requested);
        return requested.wait() ? conn->requests.last() : QByteArray();
    }

    // Starts the device; the first status poll is then on the line.
    bool start()
    {
        dev->start();
        conn->deliverRunning();
        return !nextRequest().isEmpty();
    }

    // Answers the request on the line and waits for the next one.
    void answer(const QByteArray &frame) { deliver([&] { conn->deliverReceived(frame); }); }
    void timeout() { deliver([&] { conn->deliverTimeout(); }); }
    template <class F> void deliver(F outcome)
    {
        QSignalSpy requested(conn, &ScriptedConnection::requested);
        outcome();
        if (requested.isEmpty())
            requested.wait();
    }
};

#endif // DEVICERIG_H
