#include "zserialconnection.h"

#include <QElapsedTimer>

#include <signal.h>
#include <sys/prctl.h>
#include <time.h>

#include "zabstractprotocolhendler.h"
#include "zanswerbuffer.h"
#include "znetworkline.h"
#include "zportname.h"
#include "zserialline.h"
#include "zstatelocker.h"

namespace {

// Consecutive failed writes after which the worker gives up.
const int MaxWriteFailures = 5;

// The longest a wait for the device goes without looking for a stop request, so that a stop
// is prompt whatever the read time-out.
const int StopCheckMs = 50;

// Network requests in a row without a byte in answer after which the connection is made anew:
// a server that vanished without closing (switched off, its cable pulled) is noticed this way,
// as no reply comes through the connection any more.
const int MaxSilentInRow = 5;

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
    // A write to a network connection the server has just closed must fail, not end the
    // program: SIGPIPE is held back in this thread, the one that writes.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // The line belongs to this thread and lives at most as long as the thread function.
    std::unique_ptr<ZLinkLine> line;
    for (;;) {
        serveSession(line);
        ZStateLocker lock(m_lock);
        if (!m_resumeInThread)
            break;
        m_resumeInThread = false;
    }
}

void ZSerialConnection::serveSession(std::unique_ptr<ZLinkLine> &line)
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
    m_silentInRow = 0;
    while (work != Work::End) {
        if (work == Work::Restart) {
            closeLine(line.get());
            m_announcePending = true;
            reconfigure = true;
            writeFailures = 0;
            m_silentInRow = 0;
        }

        if (reconfigure) {
            closeLine(line.get());
            QString failure;
            if (!chooseLine(line, props, &failure)) {
                endWithCritical(failure);
                return;
            }
            emit serialNameChanged(props.name);
            emit detailsAppl(props.toVariant());
            reconfigure = false;
        }

        if (!line->isOpen()) {
            emit msg(tr("Attempting to open serial %1").arg(props.toString()));
            ZSerialPortProps applied;
            QString failure;
            if (!line->open(props, &applied, &failure)) {
                // A stop while connecting is no failure: the session just ends (or, with a
                // request sent after the stop, begins again).
                if (stopRequested()) {
                    ZStateLocker lock(m_lock);
                    work = takeWork(request, due);
                    continue;
                }
                endWithCritical(failure);
                return;
            }
            m_openName = props.name;
            // A device server may set other line settings than asked: what it confirmed is what
            // the line runs at, and what the operator is shown.
            if (applied != props) {
                {
                    ZStateLocker lock(m_lock);
                    if (m_props == props)
                        m_props = applied;
                }
                props = applied;
                emit detailsAppl(props.toVariant());
            }
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
            && !transact(*line, request, readTimeout, writeTimeout, writeFailures)) {
            endWithCritical(m_endReason.isEmpty() ? QStringLiteral("Serial write fails 5 times in row")
                                                  : m_endReason);
            m_endReason.clear();
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

    closeLine(line.get());
    m_announcePending = true;
}

bool ZSerialConnection::chooseLine(std::unique_ptr<ZLinkLine> &line, const ZSerialPortProps &props,
                                   QString *failure)
{
    if (props.name.isEmpty()) {
        *failure = tr("Serial name is empty");
        return false;
    }
    const ZPortName name = ZPortName::parse(props.name);
    if (!name.isValid()) {
        *failure = name.error();
        return false;
    }
    const bool network = name.kind() != ZPortName::Serial;
    if (!line || line->endsAtFrame() != network) {
        auto stop = [this] { return stopRequested(); };
        line.reset();
        if (network)
            line.reset(new ZNetworkLine(stop));
        else
            line.reset(new ZSerialLine(stop));
    }
    return true;
}

void ZSerialConnection::closeLine(ZLinkLine *line)
{
    const bool wasOpen = line && line->isOpen();
    if (wasOpen) {
        emit msg(tr("Attempting to close serial %1").arg(m_openName));
        line->close();
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

bool ZSerialConnection::dropIfLost(ZLinkLine &line)
{
    if (!line.isLost())
        return false;
    if (line.endsAtFrame()) {
        m_endReason = tr("Соединение с %1 потеряно: %2")
                          .arg(ZPortName::parse(m_openName).endpoint(), line.lossReason());
        return true;
    }
    closeLine(&line);
    return true;
}

bool ZSerialConnection::transact(ZLinkLine &line, const QByteArray &request, int readTimeout,
                                 int writeTimeout, int &writeFailures)
{
    // Whatever waits in the input now is left over from an earlier transaction, typically the
    // late reply to a request that timed out; it must not be taken for this request's answer.
    line.discardInput();

    if (!line.write(request, writeTimeout)) {
        if (++writeFailures >= MaxWriteFailures)
            return false;
        emit writeFail();
        dropIfLost(line);
        return m_endReason.isEmpty();
    }
    writeFailures = 0;
    emit sent(request);

    // The whole wait is bounded by readTimeout from the end of the write; within it, bytes are
    // taken as the line hands them over and each time checked for a complete frame. A stop
    // request ends the wait as a time-out: no answer came for this request.
    QElapsedTimer timer;
    timer.start();
    ZAnswerBuffer answer;
    auto show = [&](bool all) {
        const QByteArray batch = answer.takeShown(all);
        if (!batch.isEmpty())
            emit dataIn(batch);
    };
    // On a network, a frame whose CRC does not hold may still be followed by the good one; it
    // is handed on for the parser to report only when nothing better came.
    QByteArray unsound;
    auto noAnswer = [&] {
        show(true);
        if (!unsound.isEmpty())
            emit received(unsound);
        else
            emit timeout();
        if (line.endsAtFrame() && answer.isEmpty() && ++m_silentInRow >= MaxSilentInRow) {
            m_endReason = tr("%1 не отвечает на %2 запросов подряд: соединение устанавливается заново")
                              .arg(ZPortName::parse(m_openName).endpoint()).arg(m_silentInRow);
            m_silentInRow = 0;
        }
        dropIfLost(line);
        return m_endReason.isEmpty();
    };
    const bool network = line.endsAtFrame();
    const ZReplyTiming::Shape shape = network ? m_replyTiming.shapeOf(request) : ZReplyTiming::Shape();
    qint64 firstPieceNs = -1;
    for (;;) {
        // Most of a known answer is let arrive before the worker looks again.
        const qint64 dueNs = ZReplyTiming::wakeAt(shape, firstPieceNs, answer.bytes().size());
        const bool held = dueNs >= 0;
        if (held) {
            QDeadlineTimer wake(Qt::PreciseTimer);
            wake.setPreciseRemainingTime(0, qMax<qint64>(0, qMin(dueNs, qint64(readTimeout) * 1000000)
                                                                - timer.nsecsElapsed()));
            holdUntil(wake);
        }
        const qint64 remaining = readTimeout - timer.elapsed();
        if (remaining < 1 || stopRequested())
            return noAnswer();
        QByteArray piece;
        if (!line.readPiece(piece, timer, readTimeout, int(qMin<qint64>(remaining, StopCheckMs)),
                            shape.bytes == 0)) {
            if (line.isLost())
                return noAnswer();
            continue;
        }
        const bool lost = line.isLost();
        m_silentInRow = 0;
        if (firstPieceNs < 0)
            firstPieceNs = timer.nsecsElapsed();

        answer.add(piece);
        // A frame ends at an end pair, so a network piece without an end byte completes none.
        const bool mayEnd = !network || piece.contains(char(0xFC));
        show(mayEnd);
        QByteArray frame;
        if (mayEnd && m_handler->extractFrame(frame, answer.bytes())) {
            if (!network || m_handler->frameIsSound(frame)) {
                if (network)
                    m_replyTiming.learn(request, shape, held, answer.bytes().size(),
                                        timer.nsecsElapsed() - firstPieceNs);
                emit received(frame);
                dropIfLost(line);
                return m_endReason.isEmpty();
            }
            unsound = frame;
        }
        if (lost)
            return noAnswer();
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
