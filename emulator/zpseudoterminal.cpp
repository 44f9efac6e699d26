#include "zpseudoterminal.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

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

ZPseudoTerminal::ZPseudoTerminal(std::function<bool()> interrupted)
    : m_interrupted(std::move(interrupted))
{
}

ZPseudoTerminal::~ZPseudoTerminal()
{
    close();
}

int ZPseudoTerminal::baudRate() const
{
    termios settings{};
    if (m_masterFd < 0 || ::tcgetattr(m_masterFd, &settings) != 0)
        return 0;
    static const struct { speed_t code; int baud; } speeds[] = {
        {B1200, 1200}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600}, {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    const speed_t code = ::cfgetospeed(&settings);
    for (const auto &speed : speeds) {
        if (speed.code == code)
            return speed.baud;
    }
    return 0;
}

bool ZPseudoTerminal::open(const QString &linkPath, QString *error)
{
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) < 0) {
        *error = errnoText("pipe2");
        return false;
    }
    m_linkPath = linkPath;
    if (reopen(error))
        return true;
    closeWakePipe();
    m_slavePath.clear();
    return false;
}

bool ZPseudoTerminal::reopen(QString *error)
{
    if (openPseudoTerminal(&m_masterFd, &m_slavePath, error) && pointLink(error)) {
        m_slaveOpen = false;
        return true;
    }
    closeMaster();
    return false;
}

void ZPseudoTerminal::hangUp()
{
    closeMaster();
    removeLink();
}

void ZPseudoTerminal::close()
{
    hangUp();
    closeWakePipe();
    m_slavePath.clear();
}

void ZPseudoTerminal::closeMaster()
{
    if (m_masterFd >= 0) {
        ::close(m_masterFd);
        m_masterFd = -1;
    }
}

void ZPseudoTerminal::closeWakePipe()
{
    if (m_wakePipe[0] >= 0) {
        ::close(m_wakePipe[0]);
        ::close(m_wakePipe[1]);
        m_wakePipe[0] = m_wakePipe[1] = -1;
    }
}

// The link is replaced atomically: a new link under a temporary name is renamed over the old one,
// so an opener never finds the path missing.
bool ZPseudoTerminal::pointLink(QString *error)
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

// Removes the link only while it still points at our slave, so that another emulator that took
// the path over keeps it.
void ZPseudoTerminal::removeLink()
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

void ZPseudoTerminal::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char c = 1;
        const ssize_t n = ::write(m_wakePipe[1], &c, 1);
        (void)n; // a full pipe already wakes the thread
    }
}

void ZPseudoTerminal::drainWakePipe()
{
    char drain[64];
    while (::read(m_wakePipe[0], drain, sizeof drain) > 0) {
    }
}

bool ZPseudoTerminal::receive(QByteArray &buffer, Clock::time_point &firstByte)
{
    pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {m_masterFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0)
        return false;
    if (fds[0].revents & POLLIN) {
        drainWakePipe();
        return false;
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
            return true;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            idle = true;
    }
    if (idle) {
        // Nobody has the slave open: the master keeps reporting a hang-up, so look again shortly
        // instead of spinning. Whatever was half received, or sent and not read, is gone with the
        // opener. Only once, when the opener has just gone: a new opener may open the port and
        // write at any moment after the poll, and must not lose that.
        if (m_slaveOpen) {
            buffer.clear();
            ::tcflush(m_masterFd, TCIOFLUSH);
            m_slaveOpen = false;
        }
        pollfd fd = {m_wakePipe[0], POLLIN, 0};
        ::poll(&fd, 1, 5);
    }
    return false;
}

bool ZPseudoTerminal::pauseUntil(Clock::time_point until)
{
    for (;;) {
        if (m_interrupted())
            return false;
        const auto now = Clock::now();
        if (now >= until)
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now);
        timespec ts;
        ts.tv_sec = time_t(left.count() / 1000000000);
        ts.tv_nsec = long(left.count() % 1000000000);
        pollfd fd = {m_wakePipe[0], POLLIN, 0};
        if (::ppoll(&fd, 1, &ts, nullptr) > 0 && !m_interrupted())
            drainWakePipe();
    }
}

ZPseudoTerminal::SendResult ZPseudoTerminal::send(const QByteArray &bytes, bool paced,
                                                  std::chrono::nanoseconds byteTime, int chunk)
{
    const auto begin = Clock::now();
    int done = 0;
    while (done < bytes.size()) {
        // A port that was closed meanwhile must not find this reply waiting when it is opened
        // again, just as a real line forgets what arrived while nobody listened.
        pollfd hup = {m_masterFd, 0, 0};
        if (::poll(&hup, 1, 0) > 0 && (hup.revents & POLLHUP)) {
            ::tcflush(m_masterFd, TCOFLUSH);
            return Lost;
        }
        int piece = bytes.size() - done;
        if (paced) {
            // A byte reaches the far end once its last stop bit is out.
            piece = qMin(piece, chunk);
            if (!pauseUntil(begin + byteTime * (done + piece)))
                return Failed;
        }
        const ssize_t n = ::write(m_masterFd, bytes.constData() + done, size_t(piece));
        if (n > 0) {
            done += int(n);
            continue;
        }
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || m_interrupted())
            return Failed;
        pollfd fds[2] = {{m_masterFd, POLLOUT, 0}, {m_wakePipe[0], POLLIN, 0}};
        ::poll(fds, 2, 20);
        if (fds[0].revents & (POLLHUP | POLLERR))
            return Failed;
    }
    return Sent;
}
