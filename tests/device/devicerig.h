#ifndef DEVICERIG_H
#define DEVICERIG_H

// A receiver device wired to the real register table and protocol handler and to a scripted
// connection, with helpers that play one exchange at a time.

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include "scriptedconnection.h"
#include "zfastloader.h"
#include "zfastprotocolhendler.h"
#include "ztarnvex.h"

struct DeviceRig
{
    RegisterTable *table = new RegisterTable;
    ZFastProtocolHendler *handler = new ZFastProtocolHendler;
    ScriptedConnection *conn = new ScriptedConnection(handler);
    ZTarnVex *dev = new ZTarnVex;

    DeviceRig()
    {
        loadRegisters(table, QStringLiteral(TARN_DB_PATH));
        dev->setRegisters(table);
        dev->setStatusRegister(findStatusRegister(table));
        dev->setConnection(conn);
        dev->setProtocol(handler);
        dev->setName(QStringLiteral("ТАРН"));
        dev->setLatinName(QStringLiteral("TARN"));
        dev->setAskInterval(1);
    }
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
        QByteArray body;
        body.append(char(0x00)).append(char(0xFF)).append(char(write ? 0x06 : 0x04));
        body.append(char(reg & 0xFF)).append(char((reg >> 8) & 0xFF));
        body.append(value);
        QByteArray frame;
        ZFastProtocolHendler::findFrame(frame, ZFastProtocolHendler::makeFrame(body));
        return frame;
    }
    static QByteArray floatBytes(float v)
    {
        QByteArray b;
        QDataStream s(&b, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s.setFloatingPointPrecision(QDataStream::SinglePrecision);
        s << v;
        return b;
    }
    static QByteArray intBytes(quint32 v)
    {
        QByteArray b;
        QDataStream s(&b, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << v;
        return b;
    }
};

#endif // DEVICERIG_H
