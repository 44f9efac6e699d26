#include "zabstractdevice.h"

#include <QSettings>
#include <QTimer>
#include <QtDebug>

#include "zabstractconnection.h"
#include "zabstractprotocolhendler.h"

ZAbstractDevice::ZAbstractDevice(QObject *parent)
    : QObject(parent),
      m_askTimer(new QTimer(this)),
      m_reconnectTimer(new QTimer(this)),
      m_name(QStringLiteral("UnknownDevice")),
      m_latinName(QStringLiteral("UnknownDevice"))
{
    m_askTimer->setSingleShot(true);
    m_askTimer->setInterval(m_askInterval);
    connect(m_askTimer, &QTimer::timeout, this, &ZAbstractDevice::on_askTimerTimeout);
    m_reconnectTimer->setSingleShot(true);
    m_reconnectTimer->setInterval(ReconnectIntervalMs);
    connect(m_reconnectTimer, &QTimer::timeout, this, &ZAbstractDevice::on_reconnectTimerTimeout);
}

ZAbstractDevice::~ZAbstractDevice()
{
    clearQueue();
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
    emit connectionType(m_connection->type());
}

void ZAbstractDevice::setProtocol(ZAbstractProtocolHendler *protocol)
{
    if (m_protocol)
        throw ZDeviceException(tr("%1: ошибка типа протокола! Установлен другой тип.").arg(m_name));
    m_protocol = protocol;
}

void ZAbstractDevice::setRegisters(RegisterTable *registers)
{
    m_registers = registers;
}

void ZAbstractDevice::setStatusRegister(ZRegister *statusRegister)
{
    m_statusRegister = statusRegister;
}

void ZAbstractDevice::setNoStatus(bool noStatus)
{
    m_noStatus = noStatus;
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
    clearQueue();
    m_askTimer->stop();
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
    clearQueue();
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

void ZAbstractDevice::setPause(bool pause)
{
    m_paused = pause;
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
    m_askTimer->start(m_askInterval);
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
    m_askTimer->stop();
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
    clearQueue();
    // One outage is said once, not once per attempt to end it.
    if (!m_outage)
        emit critical(msg);
}

void ZAbstractDevice::on_connectionMsg(QString msg)
{
    emit message(msg);
}

void ZAbstractDevice::on_transactionSent(QByteArray data)
{
    Q_UNUSED(data)
}

// ---------------------------------------------------------------------------------------------
// Transaction engine

void ZAbstractDevice::on_askTimerTimeout()
{
    if (m_paused) {
        armTimer();
        return;
    }
    if (!m_queue.isEmpty()) {
        Transaction *next = m_queue.takeFirst();
        m_current = *next;
        delete next;
        m_connection->send(m_current.frame);
        emit queueChange();
        return;
    }
    if (m_autoask && m_statusRegister && m_protocol && m_connection) {
        m_current = Transaction();
        m_current.frame = m_protocol->buildReadRequest(*m_statusRegister, 1);
        m_current.reg = m_statusRegister;
        m_current.kind = TransactionStatus;
        m_connection->send(m_current.frame);
        return;
    }
    armTimer();
}

void ZAbstractDevice::on_transactionRcv(QByteArray data)
{
    // Any answer at all shows that the line works, even one that does not parse.
    m_lostInRow = 0;
    if (!m_started)
        return;
    ZRegister *reg = m_current.reg;
    // A frame with no request behind it (nothing has been sent yet) has nothing to be checked
    // against.
    if (!reg || !m_protocol) {
        armTimer();
        return;
    }
    const QVariant id = reg->number();

    QByteArray payload;
    const ParseResult result = m_protocol->parseResponse(payload, data, *reg, m_current.kind);
    if (result != ParseOk) {
        failTransaction(reg, m_protocol->lastError());
        armTimer();
        return;
    }

    if (!m_connected) {
        m_connected = true;
        onConnected();
        emit connected();
    }

    switch (m_current.kind) {
    case TransactionStatus: {
        reg->setRawData(payload);
        reg->setValue(m_protocol->decodeValue(*reg, payload));
        reg->setState(StateRead);
        onStatusReceived(payload);
        emit statusRcv(payload);
        break;
    }
    case TransactionRead: {
        reg->setRawData(payload);
        reg->setValue(m_protocol->decodeValue(*reg, payload));
        reg->setState(StateRead);
        onDataReceived(id);
        emit paketRcv(id);
        break;
    }
    case TransactionWrite:
    case TransactionConfirmWrite: {
        const QVariant decoded = m_protocol->decodeValue(*reg, payload);
        reg->setRawData(payload);
        reg->setValue(decoded);
        QVariant requested = m_current.value;
        // A float register echoes the single-precision form of what was asked; a double
        // request would otherwise never match its own echo.
        if (m_current.kind == TransactionConfirmWrite
            && decoded.userType() == QMetaType::Float)
            requested = QVariant(requested.toFloat());
        if (decoded == requested) {
            if (m_current.kind == TransactionWrite) {
                reg->setState(StateWritten);
                onDataReceived(id);
                emit paketRcv(id);
            } else {
                reg->setState(StateEchoed);
                onDataReceived(id);
                emit paketRcv(id);
                // The read-back goes behind whatever already waits.
                enqueue(m_protocol->buildReadRequest(*reg, 1), reg, TransactionCheck,
                        m_current.value);
            }
        } else {
            failTransaction(reg, tr("Несовпадение значения при записи, записано %1 получено %2")
                                     .arg(m_current.value.toString(), decoded.toString()));
        }
        break;
    }
    case TransactionCheck: {
        const QVariant before = reg->value();
        const QVariant decoded = m_protocol->decodeValue(*reg, payload);
        reg->setRawData(payload);
        reg->setValue(decoded);
        if (decoded == before) {
            reg->setState(StateConfirmed);
            onDataReceived(id);
            emit paketRcv(id);
        } else {
            failTransaction(reg, tr("Ошибка проверки значения, записано %1 прочитано %2")
                                     .arg(m_current.value.toString(), decoded.toString()));
        }
        break;
    }
    default:
        break;
    }
    armTimer();
}

void ZAbstractDevice::on_transactionTimeout()
{
    if (!m_started)
        return;
    countLost();
    if (ZRegister *reg = m_current.reg) {
        reg->setState(StateFailed);
        reg->setErrorText(tr("Нет ответа от устройства"));
        const QVariant id = reg->number();
        onPaketTimeout(id);
        emit paketTimeout(id);
    }
    armTimer();
}

void ZAbstractDevice::on_transactionError(QString msg)
{
    if (!m_started)
        return;
    countLost();
    emit error(msg);
    armTimer();
}

void ZAbstractDevice::on_transactionWriteFail()
{
    if (!m_started)
        return;
    // A request that could not even be written means the line itself is gone.
    if (m_connected)
        becomeDisconnected();
    emit paketWriteFail(m_current.reg ? m_current.reg->number() : QVariant());
    armTimer();
}

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
    enqueue(m_protocol->buildReadRequest(*reg, 1), reg, TransactionRead, QVariant());
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
    enqueue(frame, reg, confirm ? TransactionConfirmWrite : TransactionWrite, value);
    emit queueChange();
}

void ZAbstractDevice::writeData(QVariant dataId, QVariant value)
{
    writeData(dataId, value, false);
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

void ZAbstractDevice::clearQueue()
{
    qDeleteAll(m_queue);
    m_queue.clear();
}

void ZAbstractDevice::enqueue(const QByteArray &frame, ZRegister *reg, int kind,
                              const QVariant &value)
{
    Transaction *t = new Transaction;
    t->frame = frame;
    t->reg = reg;
    t->kind = kind;
    t->value = value;
    m_queue.append(t);
}

void ZAbstractDevice::refuse(const QVariant &dataId, const QString &text)
{
    emit paketWriteFail(dataId);
    emit error(text);
}

void ZAbstractDevice::countLost()
{
    ++m_lostInRow;
    // Equality, not "at least": the loss is announced once, when the run of failures reaches
    // the limit, and not again for every further failure.
    if (m_connected && m_lostInRow == m_maxLostInRow)
        becomeDisconnected();
}

void ZAbstractDevice::becomeDisconnected()
{
    m_connected = false;
    onDisconnected();
    emit disconnected();
}

void ZAbstractDevice::armTimer()
{
    // The late outcome of the last transaction after stop() is still reported, but nothing
    // follows it.
    if (m_stopping)
        return;
    m_askTimer->start(m_askInterval);
}

void ZAbstractDevice::failTransaction(ZRegister *reg, const QString &text)
{
    reg->setState(StateFailed);
    reg->setErrorText(text);
    const QVariant id = reg->number();
    onPaketError(id, text);
    emit paketError(id, text);
}
