#include "zdeviceemulator.h"

#include "zemulatedreceiver.h"
#include "zfastloader.h"
#include "zfastprotocolhendler.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

const quint8 DeviceAddress = 0x00;
const int MaxLastRequests = 100;
// A frame never exceeds a few hundred bytes; a buffer this long without an end pair is noise.
const int MaxPendingBytes = 8192;
// Unknown command byte: the device answers with "illegal function".
const quint8 ErrorUnknownCommand = 1;

const QByteArray &startPair()
{
    static const QByteArray pair(2, char(ZFastProtocolHendler::StartByte));
    return pair;
}

QByteArray errorBody(quint8 receiver, quint8 code)
{
    QByteArray body;
    body.append(char(DeviceAddress)).append(char(receiver));
    body.append(char(ZFastProtocolHendler::ErrorCommand)).append(char(code));
    return body;
}

// The same frame with both CRC bytes inverted, stuffed again.
QByteArray withBadCrc(const QByteArray &frame)
{
    QByteArray plain = ZFastProtocolHendler::unstuff(frame.left(frame.size() - 2));
    const int crc = plain.size() - 2;
    plain[crc] = char(~quint8(plain.at(crc)));
    plain[crc + 1] = char(~quint8(plain.at(crc + 1)));
    plain.append(char(ZFastProtocolHendler::EndByte)).append(char(ZFastProtocolHendler::EndByte));
    return ZFastProtocolHendler::stuff(plain);
}

QString errnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Opens a pty pair in raw mode and keeps only the non-blocking master; the slave is opened by
// whoever plays the program. While nobody has the slave open the master reports POLLHUP.
bool openPseudoTerminal(int *masterFd, QString *slavePath, QString *error)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) < 0) {
        *error = errnoText("openpty");
        return false;
    }
    char name[128];
    if (::ttyname_r(slave, name, sizeof name) != 0) {
        *error = errnoText("ttyname_r");
        ::close(master);
        ::close(slave);
        return false;
    }
    termios tio;
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    *masterFd = master;
    *slavePath = QString::fromLocal8Bit(name);
    return true;
}

} // namespace

ZDeviceEmulator::ZDeviceEmulator(const QString &databasePath)
{
    try {
        loadRegisters(&m_table, databasePath);
    } catch (const std::exception &e) {
        m_table.clear();
        m_error = QString::fromUtf8(e.what());
    }
    m_receiver.reset(new ZEmulatedReceiver(m_table));
}

ZDeviceEmulator::~ZDeviceEmulator()
{
    stop();
}

bool ZDeviceEmulator::start(const QString &linkPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running) {
        m_error = QStringLiteral("the emulator is already running");
        return false;
    }
    if (m_table.isEmpty()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("the register table is empty");
        return false;
    }
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) < 0) {
        m_error = errnoText("pipe2");
        return false;
    }
    m_linkPath = linkPath;
    QString error;
    if (!openPseudoTerminal(&m_masterFd, &m_slavePath, &error) || !pointLink(&error)) {
        m_error = error;
        closePty();
        ::close(m_wakePipe[0]);
        ::close(m_wakePipe[1]);
        m_wakePipe[0] = m_wakePipe[1] = -1;
        m_slavePath.clear();
        return false;
    }
    m_error.clear();
    m_stop = false;
    m_pendingHangUpMs = -1;
    m_slaveOpen = false;
    m_running = true;
    m_thread = std::thread(&ZDeviceEmulator::run, this);
    return true;
}

void ZDeviceEmulator::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running)
            return;
        m_stop = true;
        wake();
    }
    m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    closePty();
    removeLink();
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    m_wakePipe[0] = m_wakePipe[1] = -1;
    m_slavePath.clear();
    m_running = false;
    m_hangUpDone.notify_all();
}

bool ZDeviceEmulator::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running;
}

QString ZDeviceEmulator::portPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_linkPath.isEmpty() ? m_slavePath : m_linkPath;
}

QString ZDeviceEmulator::slavePath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slavePath;
}

QString ZDeviceEmulator::errorString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

// Called with m_mutex held (or before the thread runs).
void ZDeviceEmulator::closePty()
{
    if (m_masterFd >= 0) {
        ::close(m_masterFd);
        m_masterFd = -1;
    }
}

// Called with m_mutex held. The link is replaced atomically: a new link under a temporary name
// is renamed over the old one, so an opener never finds the path missing.
bool ZDeviceEmulator::pointLink(QString *error)
{
    if (m_linkPath.isEmpty())
        return true;
    const QByteArray link = QFile::encodeName(m_linkPath);
    struct stat st;
    if (::lstat(link.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(m_linkPath);
        return false;
    }
    const QByteArray temporary = link + ".tmp" + QByteArray::number(qint64(::getpid()));
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(m_slavePath).constData(), temporary.constData()) < 0) {
        *error = errnoText("symlink");
        return false;
    }
    if (::rename(temporary.constData(), link.constData()) < 0) {
        *error = errnoText("rename");
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

// Called with m_mutex held. Removes the link only while it still points at our slave, so that
// another emulator that took the path over keeps it.
void ZDeviceEmulator::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    const QByteArray link = QFile::encodeName(m_linkPath);
    char target[256];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    if (n < 0)
        return;
    if (QByteArray(target, int(n)) == QFile::encodeName(m_slavePath))
        ::unlink(link.constData());
}

void ZDeviceEmulator::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char c = 1;
        const ssize_t n = ::write(m_wakePipe[1], &c, 1);
        (void)n; // a full pipe already wakes the thread
    }
}

bool ZDeviceEmulator::interrupted() const
{
    if (m_stop)
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pendingHangUpMs >= 0;
}

// Sleeps until `until`; false as soon as a stop or a hang-up is asked for.
bool ZDeviceEmulator::pauseUntil(Clock::time_point until)
{
    for (;;) {
        if (interrupted())
            return false;
        const auto now = Clock::now();
        if (now >= until)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
        timespec ts;
        ts.tv_sec = time_t(left.count() / 1000000000);
        ts.tv_nsec = long(left.count() % 1000000000);
        pollfd fd = {m_wakePipe[0], POLLIN, 0};
        if (::ppoll(&fd, 1, &ts, nullptr) > 0 && !interrupted()) {
            char drain[64];
            while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
        }
    }
}

// Writes `bytes` to the master; when paced, in pieces of `chunk` bytes, each at its wire time.
// False when the write fails (the slave side went away) or the thread is interrupted.
bool ZDeviceEmulator::sendBytes(const QByteArray &bytes, bool paced, std::chrono::nanoseconds byteTime,
                                int chunk)
{
    const auto begin = Clock::now();
    int done = 0;
    while (done < bytes.size()) {
        // A port that was closed meanwhile must not find this reply waiting when it is opened
        // again, just as a real line forgets what arrived while nobody listened.
        pollfd hup = {m_masterFd, 0, 0};
        if (::poll(&hup, 1, 0) > 0 && (hup.revents & POLLHUP)) {
            ::tcflush(m_masterFd, TCOFLUSH);
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_repliesLost;
            return false;
        }
        int piece = bytes.size() - done;
        if (paced) {
            // A byte reaches the far end once its last stop bit is out.
            piece = qMin(piece, chunk);
            if (!pauseUntil(begin + byteTime * (done + piece)))
                return false;
        }
        const ssize_t n = ::write(m_masterFd, bytes.constData() + done, size_t(piece));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (interrupted())
            return false;
        pollfd fds[2] = {{m_masterFd, POLLOUT, 0}, {m_wakePipe[0], POLLIN, 0}};
        ::poll(fds, 2, 20);
        if (fds[0].revents & (POLLHUP | POLLERR))
            return false;
    }
    return true;
}

void ZDeviceEmulator::run()
{
    // Paced bytes are 95 us apart at 115200 baud; the default 50 us timer slack would make every
    // sleep overshoot by half a byte.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    QByteArray buffer;
    Clock::time_point firstByte = Clock::now();
    while (!m_stop) {
        bool hangUpAsked;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            hangUpAsked = m_pendingHangUpMs >= 0;
        }
        if (hangUpAsked) {
            handleHangUp();
            buffer.clear();
            continue;
        }

        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_masterFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
            }
            continue;
        }
        bool idle = (fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN);
        if (!idle)
            m_slaveOpen = true;
        if (fds[1].revents & POLLIN) {
            char chunk[4096];
            const ssize_t n = ::read(m_masterFd, chunk, sizeof chunk);
            if (n > 0) {
                if (buffer.isEmpty())
                    firstByte = Clock::now();
                buffer.append(chunk, int(n));
                serveBuffer(buffer, firstByte);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                idle = true;
            }
        }
        if (idle) {
            // Nobody has the slave open: the master keeps reporting a hang-up, so look again
            // shortly instead of spinning. Whatever was half received, or sent and not read, is
            // gone with the opener. Only once, when the opener has just gone: a new opener may
            // open the port and write at any moment after the poll, and must not lose that.
            if (m_slaveOpen) {
                buffer.clear();
                ::tcflush(m_masterFd, TCIOFLUSH);
                m_slaveOpen = false;
            }
            pollfd fd = {m_wakePipe[0], POLLIN, 0};
            ::poll(&fd, 1, 5);
        }
    }
}

void ZDeviceEmulator::handleHangUp()
{
    int downMs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        downMs = m_pendingHangUpMs;
        m_pendingHangUpMs = -1;
        closePty();
        removeLink();
        ++m_hangUps;
    }
    m_hangUpDone.notify_all();

    auto reopenAt = Clock::now() + std::chrono::milliseconds(downMs);
    for (;;) {
        if (pauseUntil(reopenAt)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            QString error;
            if (openPseudoTerminal(&m_masterFd, &m_slavePath, &error) && pointLink(&error)) {
                m_slaveOpen = false;
                return;
            }
            closePty();
            m_error = error;
            reopenAt = Clock::now() + std::chrono::milliseconds(100);
            continue;
        }
        if (m_stop)
            return;
        // Another hang-up while already down: acknowledge it and count the down time afresh.
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            reopenAt = Clock::now() + std::chrono::milliseconds(m_pendingHangUpMs);
            m_pendingHangUpMs = -1;
            ++m_hangUps;
        }
        m_hangUpDone.notify_all();
    }
}

// Cuts every complete frame out of `buffer` and serves it; skips garbage between frames.
void ZDeviceEmulator::serveBuffer(QByteArray &buffer, Clock::time_point &firstByte)
{
    for (;;) {
        QByteArray frame;
        int start = 0;
        if (!ZFastProtocolHendler::findFrame(frame, buffer, &start)) {
            const int pair = buffer.indexOf(startPair());
            if (pair > 0) {
                buffer.remove(0, pair);
            } else if (pair < 0) {
                // Keep a lone start byte: it may be the first half of the next start pair.
                const bool keepLast = !buffer.isEmpty()
                        && quint8(buffer.at(buffer.size() - 1)) == ZFastProtocolHendler::StartByte;
                buffer = keepLast ? buffer.right(1) : QByteArray();
            }
            if (buffer.size() > MaxPendingBytes)
                buffer.clear();
            return;
        }
        buffer.remove(0, start + frame.size() + 2);

        if (interrupted())
            return;
        serveFrame(frame, firstByte);
        firstByte = Clock::now();
    }
}

void ZDeviceEmulator::serveFrame(const QByteArray &stuffed, Clock::time_point firstByte)
{
    bool pacing;
    std::chrono::nanoseconds byteTime;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pacing = m_pacing;
        byteTime = std::chrono::nanoseconds(qint64(m_bitsPerChar) * 1000000000 / qMax(1, m_baudRate));
    }
    // The request is complete only when its last byte, the second end byte, has crossed the line.
    if (pacing && !pauseUntil(firstByte + byteTime * (stuffed.size() + 2)))
        return;

    const QByteArray plain = ZFastProtocolHendler::unstuff(stuffed);
    const bool crcGood = plain.size() >= 4 && ZFastProtocolHendler::crc16(plain) == 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_received;
        m_lastRequests.append(stuffed);
        while (m_lastRequests.size() > MaxLastRequests)
            m_lastRequests.removeFirst();
    }
    // A request with a bad CRC gets no reply at all: none of its fields can be trusted, not even
    // the sender to answer to. The host finds out by its read time-out.
    if (!crcGood)
        return;

    const QByteArray body = plain.mid(2, plain.size() - 4);
    // Too short to name a register, or addressed to another device on the line: not ours.
    if (body.size() < 5 || quint8(body.at(1)) != DeviceAddress)
        return;
    const quint8 sender = quint8(body.at(0));
    const quint8 command = quint8(body.at(2));
    const int number = quint8(body.at(3)) | (quint8(body.at(4)) << 8);
    const QByteArray value = body.mid(5);

    bool drop;
    bool corrupt;
    int delayMs;
    bool split;
    int gapMs;
    int chunk;
    QByteArray noise;
    QByteArray replyBody;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_byRegister[number];
        drop = m_dropReplies != 0;
        const bool errorFault = !drop && m_errorReplies != 0;
        if (drop && m_dropReplies > 0)
            --m_dropReplies;
        if (errorFault && m_errorReplies > 0)
            --m_errorReplies;

        if (errorFault) {
            replyBody = errorBody(sender, quint8(m_errorCode));
        } else {
            QByteArray reply;
            int code = ErrorUnknownCommand;
            if (command == ZFastProtocolHendler::ReadCommand)
                code = m_receiver->read(number, &reply);
            else if (command == ZFastProtocolHendler::WriteCommand) {
                QByteArray stored = value;
                if (m_alterWrites != 0 && !stored.isEmpty()) {
                    stored[0] = char(stored.at(0) ^ 0x01);
                    if (m_alterWrites > 0)
                        --m_alterWrites;
                }
                code = m_receiver->write(number, stored, &reply);
            }
            if (code == ZEmulatedReceiver::NoError) {
                replyBody.append(char(DeviceAddress)).append(char(sender)).append(char(command + 1));
                replyBody.append(char(number & 0xFF)).append(char(number >> 8));
                replyBody.append(reply);
                if (!drop && command == ZFastProtocolHendler::ReadCommand
                        && number == m_receiver->statusRegister())
                    ++m_statusPolls;
            } else {
                replyBody = errorBody(sender, quint8(code));
            }
        }
        corrupt = !drop && m_corruptCrc != 0;
        if (corrupt && m_corruptCrc > 0)
            --m_corruptCrc;
        delayMs = m_replyDelayMs;
        split = m_split;
        gapMs = m_splitGapMs;
        noise = m_noise;
        pacing = m_pacing;
        chunk = m_chunk;
        byteTime = std::chrono::nanoseconds(qint64(m_bitsPerChar) * 1000000000 / qMax(1, m_baudRate));
    }
    if (drop)
        return;

    QByteArray frame = ZFastProtocolHendler::makeFrame(replyBody);
    if (corrupt)
        frame = withBadCrc(frame);
    const QByteArray out = noise + frame;

    if (delayMs > 0 && !pauseUntil(Clock::now() + std::chrono::milliseconds(delayMs)))
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_served;
    }
    if (!split) {
        sendBytes(out, pacing, byteTime, chunk);
        return;
    }
    const int half = out.size() / 2;
    if (!sendBytes(out.left(half), pacing, byteTime, chunk))
        return;
    if (!pauseUntil(Clock::now() + std::chrono::milliseconds(gapMs)))
        return;
    sendBytes(out.mid(half), pacing, byteTime, chunk);
}

// ---- faults --------------------------------------------------------------------------------

void ZDeviceEmulator::setReplyDelay(int ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replyDelayMs = qMax(0, ms);
}

void ZDeviceEmulator::setPacing(bool on, int baudRate, int dataBits, int parity, int stopBits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pacing = on;
    m_baudRate = qMax(1, baudRate);
    m_bitsPerChar = 1 + qBound(5, dataBits, 8) + (parity != 0 ? 1 : 0) + qBound(1, stopBits, 2);
}

void ZDeviceEmulator::setChunk(int bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunk = qMax(1, bytes);
}

void ZDeviceEmulator::setSplitReply(bool on, int gapMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_split = on;
    m_splitGapMs = qMax(0, gapMs);
}

void ZDeviceEmulator::setNoise(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noise = bytes;
}

void ZDeviceEmulator::setCorruptCrc(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_corruptCrc = count;
}

void ZDeviceEmulator::setDropReplies(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropReplies = count;
}

void ZDeviceEmulator::setErrorReply(int count, int code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errorReplies = count;
    m_errorCode = code;
}

void ZDeviceEmulator::setAlterWrites(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_alterWrites = count;
}

void ZDeviceEmulator::hangUp(int downMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_running)
        return;
    const quint64 before = m_hangUps;
    m_pendingHangUpMs = qMax(0, downMs);
    wake();
    m_hangUpDone.wait_for(lock, std::chrono::seconds(5),
                          [&] { return m_hangUps != before || !m_running; });
}

// ---- device state --------------------------------------------------------------------------

void ZDeviceEmulator::setRegisterBytes(int number, const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setRegisterBytes(number, bytes);
}

QByteArray ZDeviceEmulator::registerBytes(int number) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_receiver->registerBytes(number);
}

void ZDeviceEmulator::setDeterministic(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setDeterministic(on);
}

void ZDeviceEmulator::setWander(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setWander(on);
}

void ZDeviceEmulator::setLock(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setLock(on);
}

void ZDeviceEmulator::setSignalPower(double dBm)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setSignalPower(dBm);
}

void ZDeviceEmulator::setOutputVoltage(double volts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setOutputVoltage(volts);
}

void ZDeviceEmulator::setStatusByte(quint8 bits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver->setStatusByte(bits);
}

int ZDeviceEmulator::statusRegister() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_receiver->statusRegister();
}

RegisterTable ZDeviceEmulator::registers() const
{
    return m_table; // never changes after construction
}

// ---- statistics ----------------------------------------------------------------------------

quint64 ZDeviceEmulator::requestsServed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_served;
}

quint64 ZDeviceEmulator::requestsReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

quint64 ZDeviceEmulator::statusPolls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statusPolls;
}

quint64 ZDeviceEmulator::repliesLost() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_repliesLost;
}

QMap<int, quint64> ZDeviceEmulator::requestsByRegister() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_byRegister;
}

QList<QByteArray> ZDeviceEmulator::lastRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastRequests;
}

qint32 ZDeviceEmulator::frequency() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_receiver->frequency();
}

void ZDeviceEmulator::resetStatistics()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_served = 0;
    m_received = 0;
    m_statusPolls = 0;
    m_repliesLost = 0;
    m_byRegister.clear();
    m_lastRequests.clear();
}
