#include "zabstractdevice.h"

#include <QSettings>
#include <QTimer>
#include <QtDebug>

#include "zabstractconnection.h"
#include "zabstractprotocolhendler.h"

ZAbstractDevice::ZAbstractDevice(QObject *parent)
    : QObject(parent),
      m_transactions(new ZTransactionQueue(this)),
      m_reconnectTimer(new QTimer(this)),
      m_name(QStringLiteral("UnknownDevice")),
      m_latinName(QStringLiteral("UnknownDevice"))
{
    m_reconnectTimer->setSingleShot(true);
    m_reconnectTimer->setInterval(ReconnectIntervalMs);
    connect(m_reconnectTimer, &QTimer::timeout, this, &ZAbstractDevice::on_reconnectTimerTimeout);
}

ZAbstractDevice::~ZAbstractDevice()
{
    if (m_connection) {
        // The worker thread uses the protocol handler, so it has to be gone before the handler
        // is deleted below.
        m_connection->stopConnection();
        if (!m_connection->wait(10000)) {
            m_connection->terminate();
            m_connection->wait();
        }
        m_connection->deleteLater();
        m_connection = nullptr;
    }
    delete m_registers;
    m_registers = nullptr;
    m_statusRegister = nullptr;
    delete m_protocol;
    m_protocol = nullptr;
}

void ZAbstractDevice::saveConfig(QSettings *settings)
{
    if (!settings) {
        qWarning().noquote() << tr("Ошибка сохранения конфигурации: не задан класс настроек");
        return;
    }
    settings->beginGroup(m_latinName);
    settings->setValue(QStringLiteral("AskInterval"), m_askInterval);
    settings->setValue(QStringLiteral("AutoAsk"), m_autoask);
    settings->setValue(QStringLiteral("MaxLost"), m_maxLostInRow);
    settings->endGroup();
}

void ZAbstractDevice::loadConfig(QSettings *settings)
{
    if (!settings) {
        qWarning().noquote() << tr("Ошибка загрузки конфигурации: не задан класс настроек");
        return;
    }
    settings->beginGroup(m_latinName);
    m_askInterval = settings->value(QStringLiteral("AskInterval"), m_askInterval).toInt();
    settings->endGroup();
}

// ---------------------------------------------------------------------------------------------
// Set-up

void ZAbstractDevice::setConnection(ZAbstractConnection *connection)
{
    if (m_connection)
        throw ZDeviceException(tr("%1: ошибка типа соединения! Установлен другой тип.").arg(m_name));
    if (!connection)
        return;
    m_connection = connection;
    // Every signal comes from the worker thread; queuing them keeps all of the engine on the
    // GUI thread.
    connect(m_connection, &ZAbstractConnection::running, this,
            &ZAbstractDevice::on_connectionRunning, Qt::QueuedConnection);
    connect(m_connection, &QThread::finished, this, &ZAbstractDevice::on_connectionFinish,
            Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::sent, this, &ZAbstractDevice::on_transactionSent,
            Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::received, this,
            &ZAbstractDevice::on_transactionRcv, Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::error, this,
            &ZAbstractDevice::on_transactionError, Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::timeout, this,
            &ZAbstractDevice::on_transactionTimeout, Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::writeFail, this,
            &ZAbstractDevice::on_transactionWriteFail, Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::critical, this,
            &ZAbstractDevice::on_connectionCritical, Qt::QueuedConnection);
    connect(m_connection, &ZAbstractConnection::msg, this, &ZAbstractDevice::on_connectionMsg,
            Qt::QueuedConnection);
    // The settings the line runs at, as a device server confirmed them, reach the window.
    connect(m_connection, &ZAbstractConnection::detailsAppl, this,
            &ZAbstractDevice::connectionDetails, Qt::QueuedConnection);
    emit connectionType(m_connection->type());
}

void ZAbstractDevice::setProtocol(ZAbstractProtocolHendler *protocol)
{
    if (m_protocol)
        throw ZDeviceException(tr("%1: ошибка типа протокола! Установлен другой тип.").arg(m_name));
    m_protocol = protocol;
}

// ---------------------------------------------------------------------------------------------
// Properties

void ZAbstractDevice::setAutoask(bool autoask)
{
    if (m_noStatus) {
        emit paramError(tr("Ошибка! Устройство не имеет статусного регистра"));
        return;
    }
    m_autoask = autoask;
    emit paramChange(QStringLiteral("autoask"), autoask);
}

void ZAbstractDevice::setAskInterval(int interval)
{
    // A pending timer run keeps its interval; the new one applies from the next arming.
    m_askInterval = interval;
    emit askIntervalChange(interval);
    emit paramChange(QStringLiteral("askinterval"), interval);
}

void ZAbstractDevice::setMaxLostInRow(int maxLost)
{
    m_maxLostInRow = maxLost;
    emit paramChange(QStringLiteral("maxlostinrow"), maxLost);
}

int ZAbstractDevice::waitInterval() const
{
    return m_connection ? m_connection->readTimeout() : -1;
}

void ZAbstractDevice::setWaitInterval(int interval)
{
    // The read time-out belongs to the connection; without one there is nothing to set.
    if (!m_connection) {
        emit paramError(tr("%1: не установлен тип соединения").arg(m_name));
        return;
    }
    m_connection->setReadTimeout(interval);
    emit paramChange(QStringLiteral("waitinterval"), interval);
}

void ZAbstractDevice::setName(const QString &name)
{
    m_name = name;
    emit nameChanged(m_name);
}

void ZAbstractDevice::setLatinName(const QString &latinName)
{
    m_latinName = latinName;
    emit latinNameChanged(m_latinName);
}

// ---------------------------------------------------------------------------------------------
// Lifecycle

void ZAbstractDevice::stop()
{
    if (!m_started) {
        emit error(tr("Ошибка осановки устройсва! Устройсво уже осановленно"));
        emit finished();
    } else {
        m_stopping = true;
        emit initFinish();
    }
    m_autoask = false;
    // An attempt already under way may still report its failure; the outage flag keeps it quiet.
    m_wanted = false;
    m_reconnectTimer->stop();
    m_transactions->clear();
    m_transactions->halt();
    if (m_connection)
        m_connection->stopConnection();
}

void ZAbstractDevice::start()
{
    if (m_started) {
        emit critical(tr("Устройсво уже запущено"));
        return;
    }
    if (!m_connection) {
        emit critical(tr("Ошибка запуска! Не найден тип соединения"));
        return;
    }
    if (!m_protocol) {
        emit critical(tr("Ошибка запуска! Не найден тип протокола взаимодействия"));
        return;
    }
    if (!m_registers) {
        emit critical(tr("Ошибка запуска! Не найдена таблица регистров"));
        return;
    }
    if (!m_statusRegister && !m_noStatus) {
        emit critical(tr("Ошибка запуска! Не найден статусный регистр"));
        return;
    }
    // An empty request starts the worker: it opens the port, announces running() and waits for
    // the first real request. The device counts as started only from that announcement.
    m_wanted = true;
    m_outage = false;
    m_reconnectTimer->stop();
    m_connection->send(QByteArray());
    emit initStart();
}

void ZAbstractDevice::abort()
{
    m_transactions->clear();
    emit queueChange();
    m_blocked = false;
    emit unblocked();
}

void ZAbstractDevice::setBlock(bool block)
{
    m_blocked = block;
    if (block)
        emit blocked();
    else
        emit unblocked();
}

void ZAbstractDevice::reportStatus()
{
    emit nameChanged(m_name);
    emit latinNameChanged(m_latinName);
    if (m_connection) {
        emit connectionType(m_connection->type());
        emit connectionDetails(m_connection->details());
    }
    if (m_started)
        emit started();
    else
        emit finished();
    if (m_connected)
        emit connected();
    else
        emit disconnected();
    if (m_blocked)
        emit blocked();
    else
        emit unblocked();
}

void ZAbstractDevice::on_connectionDetailsSet(QVariant &details)
{
    if (!m_connection) {
        emit critical(tr("%1: не установлен тип соединения").arg(m_name));
        return;
    }
    m_connection->setDetails(details);
}

void ZAbstractDevice::on_connectionRunning()
{
    m_outage = false;
    m_started = true;
    m_stopping = false;
    if (!m_noStatus)
        m_autoask = true;
    m_transactions->arm();
    onStarted();
    emit started();
}

void ZAbstractDevice::on_connectionFinish()
{
    m_started = false;
    m_stopping = false;
    m_connected = false;
    // A stopped device has nothing to pace; a late outcome of the last transaction may have
    // re-armed the timer while the worker was ending. The next running() arms it again.
    m_transactions->halt();
    onDisconnected();
    onFinished();
    emit disconnected();
    emit finished();
    // Not the operator's stop: the line went away or the port could not be opened. A receiver
    // watched around the clock has to come back on its own once its port is there again.
    if (m_wanted) {
        m_outage = true;
        m_reconnectTimer->start();
    }
}

void ZAbstractDevice::on_reconnectTimerTimeout()
{
    if (!m_wanted || m_started)
        return;
    // Each attempt is an ordinary start, so everyone watching sees it; its failure belongs to
    // the outage already said.
    start();
    m_outage = true;
}

void ZAbstractDevice::on_connectionCritical(QString msg)
{
    m_transactions->clear();
    // One outage is said once, not once per attempt to end it.
    if (!m_outage)
        emit critical(msg);
}

// ---------------------------------------------------------------------------------------------
// Requests

void ZAbstractDevice::readData(QVariant dataId)
{
    ZRegister *reg = acceptRequest(dataId);
    if (!reg)
        return;
    if (reg->rw() == WriteOnly) {
        refuse(dataId, tr("%1: регистр %2 доступен только для записи.")
                           .arg(m_name, dataId.toString()));
        return;
    }
    m_transactions->append(m_protocol->buildReadRequest(*reg, 1), reg, TransactionRead, QVariant());
    emit queueChange();
}

void ZAbstractDevice::writeData(QVariant dataId, QVariant value, bool confirm)
{
    ZRegister *reg = acceptRequest(dataId);
    if (!reg)
        return;
    if (reg->rw() == ReadOnly) {
        refuse(dataId, tr("%1: регистр %2 доступен только для чтения.")
                           .arg(m_name, dataId.toString()));
        return;
    }
    bool ok = false;
    const QByteArray frame = m_protocol->buildWriteRequest(*reg, value, &ok, 1);
    if (!ok) {
        refuse(dataId, tr("%1: ошибка преобразования значения в данные регистра.").arg(m_name));
        return;
    }
    m_transactions->append(frame, reg, confirm ? TransactionConfirmWrite : TransactionWrite, value);
    emit queueChange();
}

// ---------------------------------------------------------------------------------------------
// Helpers

ZRegister *ZAbstractDevice::acceptRequest(const QVariant &dataId)
{
    // While the worker is ending, a request would either be lost with it or, sent after it has
    // ended, start the link again behind the user's back.
    if (!m_started || m_stopping) {
        refuse(dataId, tr("%1: устройство остановлено.").arg(m_name));
        return nullptr;
    }
    if (m_blocked) {
        refuse(dataId, tr("%1: устройство заблокировано.").arg(m_name));
        return nullptr;
    }
    ZRegister *reg = findRegister(m_registers, dataId);
    if (!reg)
        refuse(dataId, tr("%1: регистр %2 не найден в таблице регистров.")
                           .arg(m_name, dataId.toString()));
    return reg;
}

void ZAbstractDevice::refuse(const QVariant &dataId, const QString &text)
{
    emit paketWriteFail(dataId);
    emit error(text);
}
