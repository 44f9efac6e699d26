#ifndef DEVICERIG_H
#define DEVICERIG_H

// A receiver device wired to the real register table and protocol handler and to a scripted
// connection, with helpers that play one exchange at a time.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
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

    template <class F> static bool waitUntil(F done, int ms = 3000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        return true;
    }
    static void settle() { waitUntil([] { return false; }, 20); }

    // Waits for the device to hand the connection a new request and returns it.
    QByteArray nextRequest()
    {
        const int before = conn->requests.size();
        if (!waitUntil([&] { return conn->requests.size() > before; }))
            return QByteArray();
        return conn->requests.last();
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
        const int before = conn->requests.size();
        outcome();
        waitUntil([&] { return conn->requests.size() > before; });
    }

    // A response frame as the worker hands it over: cut out of the stream, without end pair.
    static QByteArray response(int reg, const QByteArray &value, bool write = false)
    {
        return TestBytes::response(reg, value, write);
    }
};

#endif // DEVICERIG_H
