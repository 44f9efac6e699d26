#ifndef ZFRAMESERVER_H
#define ZFRAMESERVER_H

#include <QByteArray>
#include <QList>
#include <QMap>

class ZEmulatedReceiver;
struct ZFaultPlan;

// The device's side of the fast protocol: cuts request frames out of what the line brought and
// turns each into the receiver's reply, with the faults of the plan applied. Counts what it was
// asked.
//
// Not thread-safe; ZDeviceEmulator calls it under its lock.
class ZFrameServer
{
public:
    explicit ZFrameServer(ZEmulatedReceiver *receiver);

    // Takes the next complete request out of `buffer` into `frame` (stuffed, from after the start
    // pair up to the end pair); false when there is none yet, and the garbage before the next
    // start pair is dropped.
    static bool takeFrame(QByteArray &buffer, QByteArray *frame);

    // The bytes to answer request `stuffed` with (noise and the reply frame), empty if it gets no
    // reply; counts down the counted faults of `faults` that hit it.
    QByteArray reply(const QByteArray &stuffed, ZFaultPlan &faults);

    quint64 requestsReceived() const { return m_received; }
    quint64 statusPolls() const { return m_statusPolls; }
    QMap<int, quint64> requestsByRegister() const { return m_byRegister; }
    QList<QByteArray> lastRequests() const { return m_lastRequests; }
    void resetStatistics();

private:
    ZEmulatedReceiver *m_receiver;
    quint64 m_received = 0;
    quint64 m_statusPolls = 0;
    QMap<int, quint64> m_byRegister;
    QList<QByteArray> m_lastRequests;
};

#endif // ZFRAMESERVER_H
