#include "zserialconnection.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <poll.h>
#include <sys/prctl.h>
#include <time.h>

#include "zabstractprotocolhendler.h"
#include "zportaccess.h"
#include "zstatelocker.h"

namespace {

// Bytes that follow each other with gaps under this belong to one burst: one dataIn, one frame
// check. At 115200 baud a byte takes under 0.1 ms, so the gap only ends a burst when the device
// has stopped sending.
const int BurstGapMs = 10;

// Consecutive failed writes after which the worker gives up.
const int MaxWriteFailures = 5;

// Once bytes trickle in, the worker sleeps this long between reads and lets them gather in the
// driver: a byte at a time would cost a wake-up, a poll and a read per byte (a status reply
// is some 450 bytes). Well under the burst gap, so no gap goes unseen.
const int GatherMs = 4;

// The longest a wait for the device goes without looking for a stop request, so that a stop
// is prompt whatever the read time-out.
const int StopCheckMs = 50;

// A read that finds fewer bytes than this after a wake-up saw them trickle in one by one.
const int TricklePiece = 8;

// Room reserved for a reply, so that reading it does not grow the buffer byte by byte.
const int ReplyReserve = 1024;

// Whether the port is gone (the other end hung up, the adapter was pulled). A write on a dead
// line fails with a resource error; a read sees end of file, which QSerialPort reports as a read
// error, and every further wait for data returns at once with it.
bool portLost(const QSerialPort &port)
{
    return port.error() == QSerialPort::ResourceError || port.error() == QSerialPort::ReadError;
}

// Waits up to `ns` nanoseconds for the port to have bytes to read and takes them into its
// buffer. QSerialPort waits in whole milliseconds, which would stretch every burst's closing
// silence by half a millisecond on average: two percent of the receiver's poll rate.
bool waitForBytesNs(QSerialPort &port, qint64 ns)
{
    if (ns > 0) {
        pollfd fd = {int(port.handle()), POLLIN, 0};
        const timespec wait = {time_t(ns / 1000000000), long(ns % 1000000000)};
        if (::ppoll(&fd, 1, &wait, nullptr) == 0)
            return false;
    }
    // Ready, or an error or hang-up that the port's own look reports.
    return port.waitForReadyRead(0);
}

// Appends what the port has buffered to `bytes`. readAll() would allocate a large temporary
// buffer on every call.
void appendAvailable(QSerialPort &port, QByteArray &bytes)
{
    const qint64 available = port.bytesAvailable();
    if (available <= 0)
        return;
    const int old = bytes.size();
    bytes.resize(old + int(available));
    const qint64 n = port.read(bytes.data() + old, available);
    bytes.resize(old + int(qMax<qint64>(n, 0)));
}

} // namespace

ZSerialConnection::ZSerialConnection(ZAbstractProtocolHendler *handler, QObject *parent)
    : ZAbstractConnection(handler, parent)
{
}

ZSerialConnection::~ZSerialConnection()
{
    // Destroying a running QThread aborts the process; normally the owner has stopped us already.
    if (QThread::isRunning()) {
        stopConnection();
        wait();
    }
    // QThread::wait synchronises through a futex that ThreadSanitizer cannot see; taking the
    // lock orders everything the last worker did before the members go away.
    ZStateLocker lock(m_lock);
}

void ZSerialConnection::sleepUntilWork(ZStateLocker &lock)
{
    // QWaitCondition may return without anyone having called wakeAll(); only a new request or a
    // stop is a reason to go on.
    while (!m_requestPending && !m_stopRequest)
        lock.wait(m_wake);
}

void ZSerialConnection::setDetails(const QVariant &details)
{
    const ZSerialPortProps props = ZSerialPortProps::fromVariant(details);
    ZStateLocker lock(m_lock);
    m_props = props;
}

QVariant ZSerialConnection::details() const
{
    ZStateLocker lock(m_lock);
    return m_props.toVariant();
}

void ZSerialConnection::setPortName(const QString &name)
{
    ZStateLocker lock(m_lock);
    m_props.name = name;
}

void ZSerialConnection::setPortProps(const ZSerialPortProps &props)
{
    ZStateLocker lock(m_lock);
    m_props = props;
}

void ZSerialConnection::send(const QByteArray &request)
{
    sendAt(request, QDeadlineTimer(0));
}

void ZSerialConnection::sendAt(const QByteArray &request, const QDeadlineTimer &due)
{
    bool startThread = false;
    ZStateLocker lock(m_lock);
    m_request = request;
    m_requestDue = due;
    m_requestPending = true;
    if (m_workerActive) {
        m_wake.wakeAll();
    } else if (QThread::currentThread() == this) {
        // Called from a slot connected directly to our own signal while the worker is ending:
        // this thread cannot be started again from inside itself, so it carries on instead.
        m_workerActive = true;
        m_resumeInThread = true;
    } else {
        m_workerActive = true;
        m_stopRequest = false;
        startThread = true;
    }
    lock.unlock();

    if (startThread) {
        // A worker that has decided to end may still be closing its port; QThread::start would
        // then do nothing and the request would wait for a send that may never come.
        wait();
        // Taking the lock again orders everything the previous worker did before the new one.
        lock.relock();
        start();
    }
}

void ZSerialConnection::stopConnection()
{
    ZStateLocker lock(m_lock);
    m_stopRequest = true;
    // A request not taken yet is not written any more.
    m_requestPending = false;
    m_wake.wakeAll();
}

void ZSerialConnection::openConnection()
{
}

void ZSerialConnection::closeConnection()
{
}

ZSerialConnection::Work ZSerialConnection::takeWork(QByteArray &request, QDeadlineTimer &due)
{
    due = m_requestDue;
    if (m_stopRequest) {
        if (!m_requestPending) {
            m_workerActive = false;
            return Work::End;
        }
        // send() after stopConnection(), before the worker saw the stop: this session ends and
        // a new one serves the request.
        m_stopRequest = false;
        request = m_request;
        m_requestPending = false;
        return Work::Restart;
    }
    if (m_requestPending) {
        request = m_request;
        m_requestPending = false;
    } else {
        request.clear();
    }
    return Work::Request;
}

void ZSerialConnection::endWithCritical(const QString &text)
{
    // Give up the session before telling anyone, so that a send() reacting to the critical
    // starts a new worker.
    {
        ZStateLocker lock(m_lock);
        m_workerActive = false;
    }
    emit critical(text);
}

void ZSerialConnection::run()
{
    ZStateLocker::releaseAtThreadEnd(&m_lock);
    // This thread keeps the line's time: bytes 95 us apart, a 10 ms silence that ends a reply.
    // The kernel's default 50 us slack on each of its sleeps is half a byte.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    // The port belongs to this thread and lives exactly as long as the thread function.
    QSerialPort port;
    for (;;) {
        serveSession(port);
        ZStateLocker lock(m_lock);
        if (!m_resumeInThread)
            break;
        m_resumeInThread = false;
    }
}

void ZSerialConnection::serveSession(QSerialPort &port)
{
    ZSerialPortProps props;
    int readTimeout = 0;
    int writeTimeout = 0;
    QByteArray request;
    QDeadlineTimer due(0);
    Work work = Work::End;
    {
        ZStateLocker lock(m_lock);
        props = m_props;
        readTimeout = m_readTimeout;
        writeTimeout = m_writeTimeout;
        work = takeWork(request, due);
    }

    // Every start of the worker is announced on its first open, also after a worker that had
    // announced itself, lost its port (or got new settings) and then could not open it again:
    // otherwise the device, which becomes started only on running(), would wait forever.
    m_announcePending = true;
    bool reconfigure = true;
    int writeFailures = 0;
    while (work != Work::End) {
        if (work == Work::Restart) {
            closePort(port);
            m_announcePending = true;
            reconfigure = true;
            writeFailures = 0;
        }

        if (reconfigure) {
            closePort(port);
            if (props.name.isEmpty()) {
                endWithCritical(tr("Serial name is empty"));
                return;
            }
            configure(port, props);
            emit serialNameChanged(props.name);
            emit detailsAppl(props.toVariant());
            reconfigure = false;
        }

        if (!port.isOpen()) {
            emit msg(tr("Attempting to open serial %1").arg(props.toString()));
            port.clearError();
            if (!port.open(QIODevice::ReadWrite)) {
                endWithCritical(ZPortAccess::openFailure(props.name, port.error(), port.errorString()));
                return;
            }
            m_openName = props.name;
            {
                ZStateLocker lock(m_lock);
                m_isRunning = true;
            }
            emit serialOpened();
            emit msg(tr("Serial opened %1").arg(props.name));
        }

        if (m_announcePending) {
            emit msg(tr("Serial device started on %1").arg(props.name));
            emit running();
            m_announcePending = false;
        }

        if (!request.isEmpty())
            holdUntil(due);
        if (!request.isEmpty()
            && !transact(port, request, readTimeout, writeTimeout, writeFailures)) {
            endWithCritical(QStringLiteral("Serial write fails 5 times in row"));
            break;
        }

        ZStateLocker lock(m_lock);
        sleepUntilWork(lock);
        if (m_props != props) {
            props = m_props;
            reconfigure = true;
        }
        readTimeout = m_readTimeout;
        writeTimeout = m_writeTimeout;
        work = takeWork(request, due);
    }

    closePort(port);
    m_announcePending = true;
}

void ZSerialConnection::configure(QSerialPort &port, const ZSerialPortProps &props)
{
    m_byteNs = serialByteNs(props.baudRate, props.dataBits, props.parity, props.stopBits);
    if (port.portName() != props.name)
        port.setPortName(props.name);
    if (port.baudRate() != props.baudRate)
        port.setBaudRate(props.baudRate, QSerialPort::AllDirections);
    if (port.dataBits() != props.dataBits)
        port.setDataBits(QSerialPort::DataBits(props.dataBits));
    if (port.stopBits() != props.stopBits)
        port.setStopBits(QSerialPort::StopBits(props.stopBits));
    if (port.parity() != props.parity)
        port.setParity(QSerialPort::Parity(props.parity));
    if (port.flowControl() != props.flowControl)
        port.setFlowControl(QSerialPort::FlowControl(props.flowControl));
}

void ZSerialConnection::closePort(QSerialPort &port)
{
    const bool wasOpen = port.isOpen();
    if (wasOpen) {
        emit msg(tr("Attempting to close serial %1").arg(m_openName));
        port.close();
    }
    // Before anyone hears of the close: isRunning is true exactly while the port is open.
    {
        ZStateLocker lock(m_lock);
        m_isRunning = false;
    }
    if (wasOpen) {
        emit msg(tr("Serial closed %1").arg(m_openName));
        emit serialClosed();
    }
}

bool ZSerialConnection::dropIfLost(QSerialPort &port)
{
    if (!portLost(port))
        return false;
    closePort(port);
    return true;
}

bool ZSerialConnection::transact(QSerialPort &port, const QByteArray &request, int readTimeout,
                                 int writeTimeout, int &writeFailures)
{
    // Whatever waits in the input now is left over from an earlier transaction, typically the
    // late reply to a request that timed out; it must not be taken for this request's answer.
    port.readAll();
    port.clear(QSerialPort::Input);
    port.clearError();

    port.write(request);
    if (!port.waitForBytesWritten(writeTimeout)) {
        // The request is abandoned: it must not go out later in front of the next one.
        port.clear(QSerialPort::Output);
        if (++writeFailures >= MaxWriteFailures)
            return false;
        emit writeFail();
        dropIfLost(port);
        return true;
    }
    writeFailures = 0;
    emit sent(request);

    // The whole wait is bounded by readTimeout from the end of the write; within it, bytes are
    // grouped into bursts and each burst is checked for a complete frame. A stop request ends
    // the wait as a time-out: no answer came for this request.
    QElapsedTimer timer;
    timer.start();
    QByteArray collected;
    collected.reserve(ReplyReserve);
    for (;;) {
        const qint64 remaining = readTimeout - timer.elapsed();
        if (remaining < 1 || stopRequested()) {
            emit timeout();
            return true;
        }
        // Bytes may already have been buffered while the write was being completed.
        if (port.bytesAvailable() == 0
            && !port.waitForReadyRead(int(qMin<qint64>(remaining, StopCheckMs)))) {
            if (portLost(port)) {
                emit timeout();
                dropIfLost(port);
                return true;
            }
            continue;
        }
        QByteArray burst;
        burst.reserve(ReplyReserve);
        readBurst(port, burst, timer, readTimeout);
        const bool lost = portLost(port);

        collected += burst;
        emit dataIn(burst);
        QByteArray frame;
        if (m_handler->extractFrame(frame, collected)) {
            emit received(frame);
            dropIfLost(port);
            return true;
        }
        if (lost) {
            emit timeout();
            dropIfLost(port);
            return true;
        }
    }
}

void ZSerialConnection::readBurst(QSerialPort &port, QByteArray &burst, const QElapsedTimer &timer,
                                  int readTimeout)
{
    appendAvailable(port, burst);
    // Bytes trickling in one at a time (a plain UART) are left to gather for GatherMs before
    // each read; pieces handed over whole (a USB adapter) are read as each one comes, with no
    // sleep in between. The burst ends after BurstGapMs without a byte, at the end of the read
    // time-out, or on a stop request.
    bool gather = burst.size() < TricklePiece;
    qint64 lastByteNs = timer.nsecsElapsed();
    while (timer.elapsed() < readTimeout && !stopRequested()) {
        bool more = false;
        if (gather) {
            const qint64 sleepStartNs = timer.nsecsElapsed();
            QThread::msleep(GatherMs);
            more = port.waitForReadyRead(0);
            // The line brings one byte per byte time, so fewer bytes than the sleep could carry
            // mean the device fell silent that many byte times into it: the silence that ends
            // the burst is counted from there, not from this late look.
            if (more)
                lastByteNs = qMin(timer.nsecsElapsed(), sleepStartNs + port.bytesAvailable() * m_byteNs);
        }
        if (!more) {
            const qint64 nowNs = timer.nsecsElapsed();
            const qint64 gapLeftNs = qMin<qint64>(qint64(BurstGapMs) * 1000000 - (nowNs - lastByteNs),
                                                  qint64(readTimeout) * 1000000 - nowNs);
            more = gapLeftNs > 0 && waitForBytesNs(port, gapLeftNs);
            if (!more)
                return;
            lastByteNs = timer.nsecsElapsed();
            gather = port.bytesAvailable() < TricklePiece;
        }
        appendAvailable(port, burst);
    }
}

void ZSerialConnection::holdUntil(const QDeadlineTimer &due) const
{
    for (qint64 left = due.remainingTimeNSecs(); left > 0 && !stopRequested();
         left = due.remainingTimeNSecs()) {
        const qint64 ns = qMin<qint64>(left, qint64(StopCheckMs) * 1000000);
        const timespec pause = {time_t(ns / 1000000000), long(ns % 1000000000)};
        ::nanosleep(&pause, nullptr);
    }
}

bool ZSerialConnection::stopRequested() const
{
    ZStateLocker lock(m_lock);
    return m_stopRequest;
}
