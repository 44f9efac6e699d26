#ifndef ZTRANSACTIONQUEUE_H
#define ZTRANSACTIONQUEUE_H

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include "transaction.h"

class ZAbstractDevice;

// The device's exchange: the requests waiting their turn and the one on the line, the
// single-shot timer that paces them and polls the status register whenever nothing else waits,
// the check of every outcome against what was asked, and the run of failures that decides
// whether the device still answers.
//
// It is the device's own part, not a service of its own: it reads the device's settings through
// its accessors and reports through the device's hooks and signals, in the order the device
// always did. Like the device, it lives on the GUI thread.
class ZTransactionQueue : public QObject
{
    Q_OBJECT

public:
    explicit ZTransactionQueue(ZAbstractDevice *device);

    int size() const { return m_pending.size(); }
    int lostInRow() const { return m_lostInRow; }

    // A request behind whatever already waits.
    void append(const QByteArray &frame, ZRegister *reg, int kind, const QVariant &value);
    void clear() { m_pending.clear(); }
    // The next transaction goes out one ask interval from now; not while the device stops.
    void arm();
    void halt() { m_timer->stop(); }
    // The pacing step: the next request, or a status poll when none waits.
    void sendNext();

    // The worker's outcome for the transaction on the line.
    void received(const QByteArray &data);
    void timedOut();
    void failed(const QString &msg);
    void writeFailed();

private:
    void check(const QByteArray &payload);
    void succeed(ZRegister *reg, int state);
    void fail(ZRegister *reg, const QString &text);
    void countLost();
    void becomeDisconnected();

    ZAbstractDevice *const m_device;
    QTimer *const m_timer;
    // One ask interval after the last outcome: when the next request is to be written.
    QDeadlineTimer m_due{0};
    QList<Transaction> m_pending;
    Transaction m_current;
    int m_lostInRow = 0;
};

#endif // ZTRANSACTIONQUEUE_H
