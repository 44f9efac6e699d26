#ifndef ZABSTRACTCONNECTION_H
#define ZABSTRACTCONNECTION_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QVariant>
#include <QWaitCondition>

#include <atomic>

class ZAbstractProtocolHendler;

// The device's link to the hardware: a worker thread that takes one request frame at a time
// and reports, through queued signals, whether it was written, which bytes came back and
// whether a complete response arrived before the read time-out.
//
// Per request the listener sees exactly one of:
//   sent, any number of dataIn, then received or timeout;
//   writeFail alone;
//   critical (the worker has ended).
class ZAbstractConnection : public QThread
{
    Q_OBJECT
public:
    explicit ZAbstractConnection(ZAbstractProtocolHendler *handler, QObject *parent = nullptr);
    ~ZAbstractConnection() override;

    virtual void setDetails(const QVariant &details) = 0;
    virtual QVariant details() const = 0;
    virtual void send(const QByteArray &request) = 0;
    // The request, to be written no earlier than `due`. The device paces its requests with a
    // timer of the GUI thread, whose event loop wakes in whole milliseconds; a worker with a
    // clock of its own keeps the moment to the microsecond. Without one it is written at once.
    virtual void sendAt(const QByteArray &request, const QDeadlineTimer &due)
    {
        Q_UNUSED(due)
        send(request);
    }
    virtual void stopConnection() = 0;
    virtual void openConnection() = 0;
    virtual void closeConnection() = 0;
    virtual int type() const = 0;

    int readTimeout() const { return m_readTimeout; }
    void setReadTimeout(int ms);
    int writeTimeout() const { return m_writeTimeout; }
    void setWriteTimeout(int ms);
    bool isRunning() const { return m_isRunning; }

    // QThread::wait, made visible to ThreadSanitizer: Qt's wait synchronises through a futex
    // that the sanitizer cannot see, so in TSan builds the worker's last steps are acquired here
    // (the worker releases them at its very end) before the caller frees what it used, such as
    // the protocol handler. Hides QThread::wait for callers that hold a connection pointer.
    bool wait(unsigned long time = ULONG_MAX);

    ZAbstractProtocolHendler *protocolHandler() const { return m_handler; }

signals:
    void detailsAppl(QVariant det);
    void sent(QByteArray data);
    void received(QByteArray data);
    void error(QString msg);
    void critical(QString msg);
    void writeFail();
    void timeout();
    void dataIn(QByteArray data);
    void msg(QString msg);
    void running();

protected:
    // Everything below that both threads touch is guarded by m_lock.
    mutable QMutex m_lock;
    QWaitCondition m_wake;
    ZAbstractProtocolHendler *m_handler;
    // Written under the lock, but read without it by the main thread's getters.
    std::atomic<bool> m_isRunning{false};
    std::atomic<int> m_readTimeout{1000};
    std::atomic<int> m_writeTimeout{100};
    bool m_stopRequest = false;
    QByteArray m_request;
};

#endif // ZABSTRACTCONNECTION_H
