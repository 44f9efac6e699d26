#include "zserialline.h"

#include <QElapsedTimer>
#include <QThread>

#include <poll.h>
#include <time.h>

#include "zportaccess.h"

namespace {

// Bytes that follow each other with gaps under this belong to one burst: one dataIn, one frame
// check. At 115200 baud a byte takes under 0.1 ms, so the gap only ends a burst when the device
// has stopped sending.
const int BurstGapMs = 10;

// Once bytes trickle in, the worker sleeps this long between reads and lets them gather in the
// driver: a byte at a time would cost a wake-up, a poll and a read per byte (a status reply
// is some 450 bytes). Well under the burst gap, so no gap goes unseen.
const int GatherMs = 4;

// A read that finds fewer bytes than this after a wake-up saw them trickle in one by one.
const int TricklePiece = 8;

} // namespace

ZSerialLine::ZSerialLine(StopCheck stopRequested)
    : m_stopRequested(std::move(stopRequested))
{
}

bool ZSerialLine::open(const ZSerialPortProps &props, ZSerialPortProps *applied, QString *failure)
{
    configure(props);
    *applied = props;
    m_port.clearError();
    if (m_port.open(QIODevice::ReadWrite))
        return true;
    *failure = ZPortAccess::openFailure(props.name, m_port.error(), m_port.errorString());
    return false;
}

void ZSerialLine::close()
{
    m_port.close();
}

// A write on a dead line fails with a resource error; a read sees end of file, which
// QSerialPort reports as a read error, and every further wait for data returns at once with it.
bool ZSerialLine::isLost() const
{
    return m_port.error() == QSerialPort::ResourceError || m_port.error() == QSerialPort::ReadError;
}

void ZSerialLine::configure(const ZSerialPortProps &props)
{
    m_byteNs = serialByteNs(props.baudRate, props.dataBits, props.parity, props.stopBits);
    if (m_port.portName() != props.name)
        m_port.setPortName(props.name);
    if (m_port.baudRate() != props.baudRate)
        m_port.setBaudRate(props.baudRate, QSerialPort::AllDirections);
    if (m_port.dataBits() != props.dataBits)
        m_port.setDataBits(QSerialPort::DataBits(props.dataBits));
    if (m_port.stopBits() != props.stopBits)
        m_port.setStopBits(QSerialPort::StopBits(props.stopBits));
    if (m_port.parity() != props.parity)
        m_port.setParity(QSerialPort::Parity(props.parity));
    if (m_port.flowControl() != props.flowControl)
        m_port.setFlowControl(QSerialPort::FlowControl(props.flowControl));
}

void ZSerialLine::discardInput()
{
    m_port.readAll();
    m_port.clear(QSerialPort::Input);
    m_port.clearError();
}

bool ZSerialLine::write(const QByteArray &bytes, int timeoutMs)
{
    m_port.write(bytes);
    if (m_port.waitForBytesWritten(timeoutMs))
        return true;
    // The request is abandoned: it must not go out later in front of the next one.
    m_port.clear(QSerialPort::Output);
    return false;
}

bool ZSerialLine::readPiece(QByteArray &piece, const QElapsedTimer &timer, int readTimeout, int waitMs,
                            bool gather)
{
    // A burst always ends at the line's silence: the serial line gathers in its own way.
    Q_UNUSED(gather)
    // Bytes may already have been buffered while the write was being completed.
    if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(waitMs))
        return false;
    readBurst(piece, timer, readTimeout);
    return true;
}

// QSerialPort waits in whole milliseconds, which would stretch every burst's closing silence by
// half a millisecond on average: two percent of the receiver's poll rate.
bool ZSerialLine::waitForBytesNs(qint64 ns)
{
    if (ns > 0) {
        pollfd fd = {int(m_port.handle()), POLLIN, 0};
        const timespec wait = {time_t(ns / 1000000000), long(ns % 1000000000)};
        if (::ppoll(&fd, 1, &wait, nullptr) == 0)
            return false;
    }
    // Ready, or an error or hang-up that the port's own look reports.
    return m_port.waitForReadyRead(0);
}

// readAll() would allocate a large temporary buffer on every call.
void ZSerialLine::appendAvailable(QByteArray &bytes)
{
    const qint64 available = m_port.bytesAvailable();
    if (available <= 0)
        return;
    const int old = bytes.size();
    bytes.resize(old + int(available));
    const qint64 n = m_port.read(bytes.data() + old, available);
    bytes.resize(old + int(qMax<qint64>(n, 0)));
}

void ZSerialLine::readBurst(QByteArray &burst, const QElapsedTimer &timer, int readTimeout)
{
    appendAvailable(burst);
    // Bytes trickling in one at a time (a plain UART) are left to gather for GatherMs before
    // each read; pieces handed over whole (a USB adapter) are read as each one comes, with no
    // sleep in between. The burst ends after BurstGapMs without a byte, at the end of the read
    // time-out, or on a stop request.
    bool gather = burst.size() < TricklePiece;
    qint64 lastByteNs = timer.nsecsElapsed();
    while (timer.elapsed() < readTimeout && !m_stopRequested()) {
        bool more = false;
        if (gather) {
            const qint64 sleepStartNs = timer.nsecsElapsed();
            QThread::msleep(GatherMs);
            more = m_port.waitForReadyRead(0);
            // The line brings one byte per byte time, so fewer bytes than the sleep could carry
            // mean the device fell silent that many byte times into it: the silence that ends
            // the burst is counted from there, not from this late look.
            if (more)
                lastByteNs = qMin(timer.nsecsElapsed(), sleepStartNs + m_port.bytesAvailable() * m_byteNs);
        }
        if (!more) {
            const qint64 nowNs = timer.nsecsElapsed();
            const qint64 gapLeftNs = qMin<qint64>(qint64(BurstGapMs) * 1000000 - (nowNs - lastByteNs),
                                                  qint64(readTimeout) * 1000000 - nowNs);
            more = gapLeftNs > 0 && waitForBytesNs(gapLeftNs);
            if (!more)
                return;
            lastByteNs = timer.nsecsElapsed();
            gather = m_port.bytesAvailable() < TricklePiece;
        }
        appendAvailable(burst);
    }
}
