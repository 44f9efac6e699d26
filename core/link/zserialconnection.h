#ifndef ZSERIALCONNECTION_H
#define ZSERIALCONNECTION_H

#include <memory>

#include "zabstractconnection.h"
#include "zreplytiming.h"
#include "zserialportprops.h"

class ZLinkLine;
class ZStateLocker;

// The link to the receiver. The worker thread owns the line for as long as it runs: a serial
// port of this machine, or a connection to a serial device server on the network when the port
// name says so ("tcp://HOST:PORT", "rfc2217://HOST:PORT"). It opens and configures the line,
// writes each request handed over by send(), collects the answer with blocking waits, lets the
// protocol handler cut a frame out of it and reports everything through the connection signals.
// Between requests it sleeps on m_wake. A new port name takes effect on the next request: the
// old line is closed before the new one opens, in the same thread, so the operator switches
// between a serial and a network name without a restart and nothing of the old line lives on.
//
// Hand-over between the threads (all under m_lock):
//   m_request/m_requestPending  send() stores the latest request and marks it pending; the
//   m_requestDue                worker takes it (clearing the mark) at the start of a pass, so
//                               a request stored while the worker is busy is written next and a
//                               wake-up without a new request writes nothing. It is written
//                               once its due moment has come (at once, unless sendAt said).
//   m_stopRequest               stopConnection(); the worker ends the transaction in hand
//                               and then itself. A wait for an answer looks for the stop at
//                               least every 50 ms and reports a stopped wait as a time-out,
//                               so a stop is prompt whatever the read time-out. A stop
//                               discards a request not taken yet.
//   m_workerActive              true from the send() that starts a worker until that worker has
//                               decided to end; send() starts a thread only while it is false,
//                               so no request falls between an ending worker and a new one.
//                               A request sent after a stop the worker has not seen yet makes
//                               it close the port and begin a new session in the same thread.
//   m_resumeInThread            send() from the worker's own thread (a directly connected slot)
//                               after the worker decided to end: it carries on instead.
//
// A dead line (the far end of a pseudo-terminal closed, a USB adapter pulled) shows as a
// resource or read error: the outcome of the request in hand is reported (writeFail or
// timeout), the port is closed with its messages, and the next request reopens it; if that
// fails, critical() carries the port's error text and the worker ends, to be started again by
// the next send(). A network connection the server closed, or one that stays silent for
// several requests in a row (a server gone without closing), ends the worker the same way after
// the request's outcome, with critical() naming the server and the cause.
class ZSerialConnection : public ZAbstractConnection
{
    Q_OBJECT
public:
    explicit ZSerialConnection(ZAbstractProtocolHendler *handler, QObject *parent = nullptr);
    ~ZSerialConnection() override;

    void setDetails(const QVariant &details) override;
    QVariant details() const override;
    void send(const QByteArray &request) override;
    void sendAt(const QByteArray &request, const QDeadlineTimer &due) override;
    void stopConnection() override;
    // The port is opened by the first request and closed by a stop; these do nothing.
    void openConnection() override;
    void closeConnection() override;
    int type() const override { return 1; }

    void setPortName(const QString &name);
    void setPortProps(const ZSerialPortProps &props);

signals:
    void serialOpened();
    void serialClosed();
    void serialNameChanged(QString str);

protected:
    void run() override;

private:
    // What the worker does after taking the lock at the start of a pass.
    enum class Work {
        Request, // serve the taken request (empty: just keep the port open)
        Restart, // a stop was followed by a new request: close, then serve it as a new session
        End      // stop
    };

    // Sleeps on m_wake until a request is pending or a stop is requested; `lock` holds m_lock.
    void sleepUntilWork(ZStateLocker &lock);
    // Takes the pending request or the stop; m_lock held.
    Work takeWork(QByteArray &request, QDeadlineTimer &due);
    // Sleeps until `due` or a stop request.
    void holdUntil(const QDeadlineTimer &due) const;
    void endWithCritical(const QString &text);

    // One session: from taking the first request to the stop or a failure that ends the worker.
    void serveSession(std::unique_ptr<ZLinkLine> &line);
    // The line for `props`, made afresh when the kind of line changes; false, with the reason,
    // when the name cannot be a port.
    bool chooseLine(std::unique_ptr<ZLinkLine> &line, const ZSerialPortProps &props, QString *failure);
    void closeLine(ZLinkLine *line);
    // One request: write, then the read phase. False when the write failed for the fifth time
    // in a row, or a network line was lost or fell silent (the reason in m_endReason).
    bool transact(ZLinkLine &line, const QByteArray &request, int readTimeout,
                  int writeTimeout, int &writeFailures);
    bool stopRequested() const;
    // A line that is gone (hang-up, cable pulled, the server closed) is closed so that the next
    // pass reopens it, or reports with critical that it cannot; a network line ends the worker.
    bool dropIfLost(ZLinkLine &line);

    ZSerialPortProps m_props;
    bool m_requestPending = false;
    QDeadlineTimer m_requestDue;
    bool m_workerActive = false;
    bool m_resumeInThread = false;
    // Touched only by the worker; sessions follow each other strictly (see send()). Set at the
    // start of every session: each start of the worker is announced on its first open.
    bool m_announcePending = true;
    // The name the port was opened with, for the close messages.
    QString m_openName;
    // Network requests in a row that brought no byte at all.
    int m_silentInRow = 0;
    // When answers to each request are due on a network.
    ZReplyTiming m_replyTiming;
    // Why the session ends after the request in hand (a network line lost or silent).
    QString m_endReason;
};

#endif // ZSERIALCONNECTION_H
