#include "ztransactionqueue.h"

#include "zabstractconnection.h"
#include "zabstractdevice.h"
#include "zabstractprotocolhendler.h"

ZTransactionQueue::ZTransactionQueue(ZAbstractDevice *device)
    : QObject(device),
      m_device(device),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, device, &ZAbstractDevice::on_askTimerTimeout);
}

void ZTransactionQueue::append(const QByteArray &frame, ZRegister *reg, int kind,
                               const QVariant &value)
{
    m_pending.append(Transaction{frame, reg, kind, value});
}

void ZTransactionQueue::arm()
{
    // The late outcome of the last transaction after stop() is still reported, but nothing
    // follows it.
    if (m_device->isStopping())
        return;
    const int interval = m_device->askInterval();
    m_due = QDeadlineTimer(interval, Qt::PreciseTimer);
    // The GUI thread's event loop sleeps in whole milliseconds, rounded up: half a millisecond
    // late on average, two percent of the receiver's poll rate. The timer goes off within the
    // last millisecond and the link's worker writes at the due moment itself.
    m_timer->start(qMax(0, interval - 1));
}

void ZTransactionQueue::sendNext()
{
    if (m_device->isPaused()) {
        arm();
        return;
    }
    if (!m_pending.isEmpty()) {
        m_current = m_pending.takeFirst();
        m_device->connection()->sendAt(m_current.frame, m_due);
        emit m_device->queueChange();
        return;
    }
    ZRegister *status = m_device->statusRegister();
    ZAbstractProtocolHendler *protocol = m_device->protocol();
    if (m_device->autoask() && status && protocol && m_device->connection()) {
        m_current = Transaction{protocol->buildReadRequest(*status, 1), status, TransactionStatus,
                                QVariant()};
        m_device->connection()->sendAt(m_current.frame, m_due);
        return;
    }
    arm();
}

void ZTransactionQueue::received(const QByteArray &data)
{
    // Any answer at all shows that the line works, even one that does not parse.
    m_lostInRow = 0;
    if (!m_device->isStarted())
        return;
    // The ask interval is the device's rest after each outcome. Armed before anyone hears of
    // the outcome, so that the time the listeners take (a window redrawing its charts) is not
    // added to it; the timer cannot fire before control is back in the event loop.
    arm();
    ZRegister *reg = m_current.reg;
    ZAbstractProtocolHendler *protocol = m_device->protocol();
    // A frame with no request behind it (nothing has been sent yet) has nothing to be checked
    // against.
    if (reg && protocol) {
        QByteArray payload;
        if (protocol->parseResponse(payload, data, *reg, m_current.kind) == ParseOk)
            check(payload);
        else
            fail(reg, protocol->lastError());
    }
}

void ZTransactionQueue::check(const QByteArray &payload)
{
    if (!m_device->m_connected) {
        m_device->m_connected = true;
        m_device->onConnected();
        emit m_device->connected();
    }
    ZRegister *reg = m_current.reg;
    const int kind = m_current.kind;
    const QVariant before = reg->value();
    const QVariant decoded = m_device->protocol()->decodeValue(*reg, payload);
    reg->setRawData(payload);
    reg->setValue(decoded);

    switch (kind) {
    case TransactionStatus:
        reg->setState(StateRead);
        m_device->onStatusReceived(payload);
        emit m_device->statusRcv(payload);
        break;
    case TransactionRead:
        succeed(reg, StateRead);
        break;
    case TransactionWrite:
    case TransactionConfirmWrite: {
        QVariant requested = m_current.value;
        // A float register echoes the single-precision form of what was asked; a double
        // request would otherwise never match its own echo.
        if (kind == TransactionConfirmWrite && decoded.userType() == QMetaType::Float)
            requested = QVariant(requested.toFloat());
        if (decoded != requested) {
            fail(reg, tr("Несовпадение значения при записи, записано %1 получено %2")
                          .arg(m_current.value.toString(), decoded.toString()));
        } else if (kind == TransactionWrite) {
            succeed(reg, StateWritten);
        } else {
            succeed(reg, StateEchoed);
            // The read-back goes behind whatever already waits.
            append(m_device->protocol()->buildReadRequest(*reg, 1), reg, TransactionCheck,
                   m_current.value);
        }
        break;
    }
    case TransactionCheck:
        if (decoded == before)
            succeed(reg, StateConfirmed);
        else
            fail(reg, tr("Ошибка проверки значения, записано %1 прочитано %2")
                          .arg(m_current.value.toString(), decoded.toString()));
        break;
    }
}

void ZTransactionQueue::timedOut()
{
    if (!m_device->isStarted())
        return;
    arm();
    countLost();
    if (ZRegister *reg = m_current.reg) {
        reg->setState(StateFailed);
        reg->setErrorText(tr("Нет ответа от устройства"));
        const QVariant id = reg->number();
        m_device->onPaketTimeout(id);
        emit m_device->paketTimeout(id);
    }
}

void ZTransactionQueue::failed(const QString &msg)
{
    if (!m_device->isStarted())
        return;
    arm();
    countLost();
    emit m_device->error(msg);
}

void ZTransactionQueue::writeFailed()
{
    if (!m_device->isStarted())
        return;
    arm();
    // A request that could not even be written means the line itself is gone.
    if (m_device->isConnected())
        becomeDisconnected();
    emit m_device->paketWriteFail(m_current.reg ? m_current.reg->number() : QVariant());
}

void ZTransactionQueue::succeed(ZRegister *reg, int state)
{
    reg->setState(state);
    const QVariant id = reg->number();
    m_device->onDataReceived(id);
    emit m_device->paketRcv(id);
}

void ZTransactionQueue::fail(ZRegister *reg, const QString &text)
{
    reg->setState(StateFailed);
    reg->setErrorText(text);
    const QVariant id = reg->number();
    m_device->onPaketError(id, text);
    emit m_device->paketError(id, text);
}

void ZTransactionQueue::countLost()
{
    ++m_lostInRow;
    // Equality, not "at least": the loss is announced once, when the run of failures reaches
    // the limit, and not again for every further failure.
    if (m_device->isConnected() && m_lostInRow == m_device->maxLostInRow())
        becomeDisconnected();
}

void ZTransactionQueue::becomeDisconnected()
{
    m_device->m_connected = false;
    m_device->onDisconnected();
    emit m_device->disconnected();
}
