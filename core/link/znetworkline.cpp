#include "znetworkline.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <mutex>
#include <time.h>
#include <vector>

#include <gensio/gensio.h>
#include <gensio/gensio_err.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/gensio_unix.h>
#include <gensio/sergensio.h>

#include "zportname.h"

namespace {

// A server that has not accepted the connection by then is not there (a dead host or a
// firewall that drops, rather than refuses, the connection).
const int ConnectTimeoutMs = 5000;

// A device server answers a line setting at once; one that does not speaks no COM-port option.
const int SettingsTimeoutMs = 3000;

// How long a closing connection may take to say goodbye before it is freed regardless.
const int CloseTimeoutMs = 1000;

// The longest a wait goes without looking for a stop request.
const int StopCheckMs = 50;

// What arrives between answers is kept up to this; a server that floods the line costs no
// more memory than this, the oldest bytes giving way. Far above the longest reply.
const int MaxBuffered = 64 * 1024;

// Fewer bytes than this in hand after a wake-up: they trickle in, and are let gather for
// GatherNs, about ten bytes' time at 115200 baud.
const int TricklePiece = 8;
const long GatherNs = 1000000;

// The COM-port option's codes for the values the settings carry in QSerialPort's numbering.
unsigned parityCode(int parity)
{
    switch (parity) {
    case 2: return SERGENSIO_PARITY_EVEN;
    case 3: return SERGENSIO_PARITY_ODD;
    case 4: return SERGENSIO_PARITY_SPACE;
    case 5: return SERGENSIO_PARITY_MARK;
    default: return SERGENSIO_PARITY_NONE;
    }
}

int parityFromCode(unsigned code, int fallback)
{
    switch (code) {
    case SERGENSIO_PARITY_NONE: return 0;
    case SERGENSIO_PARITY_EVEN: return 2;
    case SERGENSIO_PARITY_ODD: return 3;
    case SERGENSIO_PARITY_SPACE: return 4;
    case SERGENSIO_PARITY_MARK: return 5;
    default: return fallback;
    }
}

unsigned flowCode(int flowControl)
{
    switch (flowControl) {
    case 1: return SERGENSIO_FLOWCONTROL_RTS_CTS;
    case 2: return SERGENSIO_FLOWCONTROL_XON_XOFF;
    default: return SERGENSIO_FLOWCONTROL_NONE;
    }
}

int flowFromCode(unsigned code, int fallback)
{
    switch (code) {
    case SERGENSIO_FLOWCONTROL_NONE: return 0;
    case SERGENSIO_FLOWCONTROL_RTS_CTS: return 1;
    case SERGENSIO_FLOWCONTROL_XON_XOFF: return 2;
    default: return fallback;
    }
}

QString reason(int error)
{
    return QString::fromUtf8(gensio_err_to_str(error));
}

// The library keeps process-wide state (its registry of connection kinds, its timers) in memory
// it takes from the event loops the lines use, so a loop once made is never freed: a line that
// ends hands its loop on to the next line. There are as many loops as lines open at one time,
// one for each receiver of the program.
std::mutex loopsLock;
std::vector<gensio_os_funcs *> idleLoops;

gensio_os_funcs *takeLoop()
{
    {
        std::lock_guard<std::mutex> lock(loopsLock);
        if (!idleLoops.empty()) {
            gensio_os_funcs *loop = idleLoops.back();
            idleLoops.pop_back();
            return loop;
        }
    }
    // A loop of the line's own, used by its thread alone: no other thread ever has to be woken,
    // so no wake-up signal is needed, and no other line's events run here.
    gensio_os_funcs *loop = nullptr;
    return gensio_unix_funcs_alloc(nullptr, 0, &loop) == 0 ? loop : nullptr;
}

void giveBackLoop(gensio_os_funcs *loop)
{
    std::lock_guard<std::mutex> lock(loopsLock);
    idleLoops.push_back(loop);
}

} // namespace

ZNetworkLine::ZNetworkLine(StopCheck stopRequested)
    : m_stopRequested(std::move(stopRequested))
{
    m_os = takeLoop();
}

ZNetworkLine::~ZNetworkLine()
{
    release();
    if (m_os)
        giveBackLoop(m_os);
}

template <typename Done>
bool ZNetworkLine::serviceUntil(Done done, int ms, bool stoppable)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired() || (stoppable && m_stopRequested()))
            return false;
        const qint64 ns = qMin(deadline.remainingTimeNSecs(), qint64(StopCheckMs) * 1000000);
        gensio_time wait = {ns / 1000000000, int(ns % 1000000000)};
        gensio_os_funcs_service(m_os, &wait);
    }
    return true;
}

bool ZNetworkLine::open(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure)
{
    release();
    m_in.clear();
    m_lostError = 0;
    const ZPortName name = ZPortName::parse(props.name);
    m_endpoint = name.endpoint();
    *applied = props;
    if (!m_os) {
        *failure = tr("Нет соединения с %1: сетевая библиотека не запускается").arg(m_endpoint);
        return false;
    }

    // The name is looked up here, in the worker thread.
    int err = str_to_gensio(name.gensioString().constData(), m_os, &ZNetworkLine::onEvent, this, &m_io);
    if (err != 0) {
        m_io = nullptr;
        *failure = tr("Нет соединения с %1: %2").arg(m_endpoint, reason(err));
        return false;
    }
    m_openDone = false;
    m_openError = 0;
    err = gensio_open(m_io, &ZNetworkLine::onOpened, this);
    if (err == 0 && !serviceUntil([this] { return m_openDone; }, ConnectTimeoutMs))
        err = m_stopRequested() ? GE_LOCALCLOSED : GE_TIMEDOUT;
    else if (err == 0)
        err = m_openError;
    if (err != 0) {
        // One that failed to open is freed as it is; one still trying is closed first.
        if (!m_openDone)
            release();
        else
            gensio_free(m_io);
        m_io = nullptr;
        *failure = err == GE_TIMEDOUT
                       ? tr("Нет соединения с %1: сервер не отвечает").arg(m_endpoint)
                       : tr("Нет соединения с %1: %2").arg(m_endpoint, reason(err));
        return false;
    }
    gensio_set_read_callback_enable(m_io, true);

    if (name.kind() == ZPortName::Rfc2217 && !applyLineSettings(props, applied, failure)) {
        release();
        return false;
    }
    return true;
}

bool ZNetworkLine::applyLineSettings(const ZSerialPortProps &props, ZSerialPortProps *applied,
                                     QString *failure)
{
    sergensio *sio = gensio_to_sergensio(m_io);
    m_answers = {};
    int err = sio ? 0 : GE_NOTSUP;
    if (err == 0)
        err = sergensio_baud(sio, unsigned(props.baudRate), &ZNetworkLine::onSettingDone, &m_answers[0]);
    if (err == 0)
        err = sergensio_datasize(sio, unsigned(props.dataBits), &ZNetworkLine::onSettingDone, &m_answers[1]);
    if (err == 0)
        err = sergensio_parity(sio, parityCode(props.parity), &ZNetworkLine::onSettingDone, &m_answers[2]);
    // The option numbers stop bits as QSerialPort does: 1, 2, and 3 for one and a half.
    if (err == 0)
        err = sergensio_stopbits(sio, unsigned(props.stopBits), &ZNetworkLine::onSettingDone, &m_answers[3]);
    if (err == 0)
        err = sergensio_flowcontrol(sio, flowCode(props.flowControl), &ZNetworkLine::onSettingDone, &m_answers[4]);
    auto allDone = [this] {
        for (const Answer &answer : m_answers) {
            if (!answer.done)
                return false;
        }
        return true;
    };
    if (err == 0 && !serviceUntil(allDone, SettingsTimeoutMs))
        err = m_stopRequested() ? GE_LOCALCLOSED : GE_TIMEDOUT;
    for (const Answer &answer : m_answers) {
        if (err == 0)
            err = answer.error;
    }
    if (err != 0) {
        *failure = tr("%1 не принимает параметры линии (RFC 2217): %2").arg(m_endpoint, reason(err));
        return false;
    }
    // What the server set is what the line runs at, whatever was asked.
    if (m_answers[0].value > 0)
        applied->baudRate = int(m_answers[0].value);
    if (m_answers[1].value >= 5 && m_answers[1].value <= 8)
        applied->dataBits = int(m_answers[1].value);
    applied->parity = parityFromCode(m_answers[2].value, props.parity);
    if (m_answers[3].value >= 1 && m_answers[3].value <= 3)
        applied->stopBits = int(m_answers[3].value);
    applied->flowControl = flowFromCode(m_answers[4].value, props.flowControl);
    return true;
}

void ZNetworkLine::close()
{
    release();
}

void ZNetworkLine::release()
{
    if (!m_io)
        return;
    m_closeDone = false;
    // Not cut short by a stop: the connection is ended properly, briefly.
    if (gensio_close(m_io, &ZNetworkLine::onClosed, this) == 0)
        serviceUntil([this] { return m_closeDone; }, CloseTimeoutMs, false);
    gensio_free(m_io);
    m_io = nullptr;
}

QString ZNetworkLine::lossReason() const
{
    return m_lostError ? reason(m_lostError) : QString();
}

void ZNetworkLine::discardInput()
{
    if (m_io) {
        gensio_time none = {0, 0};
        gensio_os_funcs_service(m_os, &none);
    }
    m_in.clear();
}

bool ZNetworkLine::write(const QByteArray &bytes, int timeoutMs)
{
    if (!m_io || m_lostError)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    gensiods total = 0;
    while (total < gensiods(bytes.size())) {
        gensiods count = 0;
        const int err = gensio_write(m_io, &count, bytes.constData() + total, gensiods(bytes.size()) - total, nullptr);
        if (err != 0) {
            m_lostError = err;
            return false;
        }
        total += count;
        if (total < gensiods(bytes.size())) {
            // The connection's buffers are full: wait until it can take more.
            m_writeReady = false;
            gensio_set_write_callback_enable(m_io, true);
            const bool ready = serviceUntil([this] { return m_writeReady || m_lostError; },
                                            int(qMax<qint64>(deadline.remainingTime(), 0)));
            gensio_set_write_callback_enable(m_io, false);
            if (!ready || m_lostError)
                return false;
        }
    }
    return true;
}

bool ZNetworkLine::readPiece(QByteArray &piece, const QElapsedTimer &timer, int readTimeout, int waitMs,
                             bool gather)
{
    Q_UNUSED(timer)
    Q_UNUSED(readTimeout)
    if (m_in.isEmpty() && m_io)
        serviceUntil([this] { return !m_in.isEmpty() || m_lostError; }, waitMs);
    if (m_in.isEmpty())
        return false;
    // A server that passes every byte on as the line brings it sends a segment per byte; the
    // bytes that trickle in are let gather for a moment, so that a reply costs some twenty
    // wake-ups rather than one per byte, and ends at most that moment after its last byte.
    if (gather && m_in.size() < TricklePiece && !m_lostError) {
        const timespec gather = {0, GatherNs};
        ::nanosleep(&gather, nullptr);
        gensio_time none = {0, 0};
        gensio_os_funcs_service(m_os, &none);
    }
    piece += m_in;
    m_in.clear();
    return true;
}

int ZNetworkLine::onEvent(gensio *io, void *self, int event, int err, unsigned char *buf,
                          unsigned long *buflen, const char *const *auxdata)
{
    Q_UNUSED(io)
    Q_UNUSED(auxdata)
    auto *line = static_cast<ZNetworkLine *>(self);
    switch (event) {
    case GENSIO_EVENT_READ:
        if (err != 0) {
            // The server closed the connection or it broke: no more reads.
            line->m_lostError = err;
            gensio_set_read_callback_enable(line->m_io, false);
            return 0;
        }
        line->m_in.append(reinterpret_cast<const char *>(buf), int(*buflen));
        if (line->m_in.size() > MaxBuffered)
            line->m_in.remove(0, line->m_in.size() - MaxBuffered);
        return 0;
    case GENSIO_EVENT_WRITE_READY:
        line->m_writeReady = true;
        return 0;
    default:
        // The server's reports of its modem and line state are of no use here.
        return GE_NOTSUP;
    }
}

void ZNetworkLine::onOpened(gensio *io, int err, void *self)
{
    Q_UNUSED(io)
    auto *line = static_cast<ZNetworkLine *>(self);
    line->m_openDone = true;
    line->m_openError = err;
}

void ZNetworkLine::onClosed(gensio *io, void *self)
{
    Q_UNUSED(io)
    static_cast<ZNetworkLine *>(self)->m_closeDone = true;
}

void ZNetworkLine::onSettingDone(sergensio *sio, int err, unsigned value, void *answer)
{
    Q_UNUSED(sio)
    auto *a = static_cast<Answer *>(answer);
    a->done = true;
    a->error = err;
    a->value = value;
}
