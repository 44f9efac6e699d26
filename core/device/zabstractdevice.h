#ifndef ZABSTRACTDEVICE_H
#define ZABSTRACTDEVICE_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

#include "transaction.h"
#include "zdeviceexception.h"
#include "zregister.h"
#include "ztransactionqueue.h"

class QSettings;
class QTimer;
class ZAbstractConnection;
class ZAbstractProtocolHendler;

// The device engine. It owns the connection, the protocol handler and the register table, starts
// and stops the link and brings it back when it ends by itself, turns read and write requests
// into transactions and reports everything through signals. The exchange itself (at most one
// transaction on the line, paced by a single-shot timer, the status polled whenever nothing else
// waits, the outcomes that decide whether the device answers) is its ZTransactionQueue.
//
// It lives on the GUI thread; the connection's worker thread reaches it only through queued
// signals, so nothing here locks. Failures of the exchange never throw: they become signals and
// a register's state and error text.
class ZAbstractDevice : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool autoask READ autoask WRITE setAutoask NOTIFY paramChange)
    Q_PROPERTY(int askinterval READ askInterval WRITE setAskInterval NOTIFY paramChange)
    Q_PROPERTY(int maxlostinrow READ maxLostInRow WRITE setMaxLostInRow NOTIFY paramChange)
    Q_PROPERTY(int waitinterval READ waitInterval WRITE setWaitInterval NOTIFY paramChange)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString latinName READ latinName WRITE setLatinName NOTIFY latinNameChanged)

public:
    // Pause between attempts to bring back a link that ended by itself.
    static constexpr int ReconnectIntervalMs = 2000;

    explicit ZAbstractDevice(QObject *parent = nullptr);
    ~ZAbstractDevice() override;

    virtual void saveConfig(QSettings *settings);
    virtual void loadConfig(QSettings *settings);

    // Set-up, called once while the object graph is built. The device takes ownership.
    void setConnection(ZAbstractConnection *connection);
    void setProtocol(ZAbstractProtocolHendler *protocol);
    void setRegisters(RegisterTable *registers) { m_registers = registers; }
    void setStatusRegister(ZRegister *statusRegister) { m_statusRegister = statusRegister; }
    void setNoStatus(bool noStatus) { m_noStatus = noStatus; }

    ZAbstractConnection *connection() const { return m_connection; }
    ZAbstractProtocolHendler *protocol() const { return m_protocol; }
    RegisterTable *registers() const { return m_registers; }
    ZRegister *statusRegister() const { return m_statusRegister; }
    bool noStatus() const { return m_noStatus; }
    bool isStarted() const { return m_started; }
    bool isConnected() const { return m_connected; }
    bool isBlocked() const { return m_blocked; }
    bool isPaused() const { return m_paused; }
    bool isStopping() const { return m_stopping; }
    int queueSize() const { return m_transactions->size(); }
    int lostInRow() const { return m_transactions->lostInRow(); }

    bool autoask() const { return m_autoask; }
    void setAutoask(bool autoask);
    int askInterval() const { return m_askInterval; }
    void setAskInterval(int interval);
    int maxLostInRow() const { return m_maxLostInRow; }
    void setMaxLostInRow(int maxLost);
    // The connection's read time-out; -1 while no connection is set.
    int waitInterval() const;
    void setWaitInterval(int interval);
    QString name() const { return m_name; }
    void setName(const QString &name);
    QString latinName() const { return m_latinName; }
    void setLatinName(const QString &latinName);

signals:
    void initStart();
    void started();
    void initFinish();
    void finished();
    void connected();
    void disconnected();
    void blocked();
    void unblocked();
    void dataUpdated(QVariant dataId);
    void connectionType(int conType);
    void connectionDetails(QVariant details);
    void statusRcv(QByteArray statusData);
    void paketWriteFail(QVariant dataId);
    void paketRcv(QVariant dataId);
    void paketError(QVariant dataId, QString errorText);
    void paketTimeout(QVariant dataId);
    void critical(QString msg);
    void error(QString msg);
    void message(QString msg);
    void askIntervalChange(int val);
    void nameChanged(QString name);
    void latinNameChanged(QString latimName);
    void paramChange(QString paramName, QVariant paramVal);
    void paramError(QString msg);
    void queueChange();

public slots:
    void stop();
    void start();
    void abort();
    void setBlock(bool block);
    void setPause(bool pause) { m_paused = pause; }
    void readData(QVariant dataId);
    void writeData(QVariant dataId, QVariant value, bool confirm);
    void writeData(QVariant dataId, QVariant value) { writeData(dataId, value, false); }
    void reportStatus();
    void on_connectionDetailsSet(QVariant &details);
    void on_connectionRunning();
    void on_connectionFinish();
    void on_connectionCritical(QString msg);
    void on_connectionMsg(QString msg) { emit message(msg); }
    void on_transactionSent(QByteArray) {}
    // The worker's outcome for the transaction on the line.
    void on_transactionRcv(QByteArray data) { m_transactions->received(data); }
    void on_transactionTimeout() { m_transactions->timedOut(); }
    void on_transactionError(QString msg) { m_transactions->failed(msg); }
    void on_transactionWriteFail() { m_transactions->writeFailed(); }

protected:
    // Hooks of the concrete device, called by the engine.
    virtual void onStarted() = 0;
    virtual void onFinished() = 0;
    virtual void onConnected() = 0;
    virtual void onDisconnected() = 0;
    virtual void onDataReceived(QVariant dataId) = 0;
    virtual void onPaketError(QVariant dataId, QString text) = 0;
    virtual void onPaketTimeout(QVariant dataId) = 0;
    virtual void onStatusReceived(QByteArray payload) = 0;

    // Reports a request that is not queued: paketWriteFail(dataId), then error(text).
    void refuse(const QVariant &dataId, const QString &text);
    // The register of a read or write request, or null after refusing a request the device
    // cannot take now (stopped, blocked, register not in the table).
    ZRegister *acceptRequest(const QVariant &dataId);

private slots:
    // The pacing step, when the exchange's ask timer runs out.
    void on_askTimerTimeout() { m_transactions->sendNext(); }
    void on_reconnectTimerTimeout();

private:
    // The exchange calls the hooks above, sets the connected state and emits the signals.
    friend class ZTransactionQueue;

    bool m_started = false;
    bool m_connected = false;
    bool m_blocked = false;
    bool m_paused = false;
    // stop() was called on a started device and the worker has not ended yet.
    bool m_stopping = false;
    ZTransactionQueue *m_transactions = nullptr;
    // The operator started the exchange and has not stopped it: a link that ends by itself
    // (adapter pulled, port missing) is started again every ReconnectIntervalMs.
    bool m_wanted = false;
    // The link ended by itself and has not run since; its failure has been said once. Cleared
    // by running() and by the operator's start.
    bool m_outage = false;
    QTimer *m_reconnectTimer = nullptr;
    int m_askInterval = 10;
    bool m_noStatus = false;
    bool m_autoask = false;
    QString m_name;
    QString m_latinName;
    int m_maxLostInRow = 3;
    ZAbstractConnection *m_connection = nullptr;
    ZAbstractProtocolHendler *m_protocol = nullptr;
    ZRegister *m_statusRegister = nullptr;
    RegisterTable *m_registers = nullptr;
};

#endif // ZABSTRACTDEVICE_H
