#include "ptypeer.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::~PtyPeer()
{
    hangUp();
}

bool PtyPeer::open(const QString &linkPath)
{
    hangUp();
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return false;
    m_slavePath = QString::fromLocal8Bit(name);
    // Raw on the slave, so that nothing is echoed or translated even while the port is closed
    // (the connection restores these settings when it closes its port).
    termios tio {};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_input.clear();
    if (!linkPath.isEmpty()) {
        m_linkPath = linkPath;
        QFile::remove(linkPath);
        if (!QFile::link(m_slavePath, linkPath))
            return false;
    }
    return true;
}

void PtyPeer::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    // The freed /dev/pts number is soon given to some other pty (other tests run in parallel);
    // a link left pointing at it would lead the connection there.
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
}

QString PtyPeer::path() const
{
    return m_linkPath.isEmpty() ? m_slavePath : m_linkPath;
}

void PtyPeer::write(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd {m_master, POLLOUT, 0};
            ::poll(&pfd, 1, 10);
        } else {
            return;
        }
    }
}

bool PtyPeer::waitReadable(int timeoutMs)
{
    pollfd pfd {m_master, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0)
        return false;
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0) {
        m_input.append(buffer, int(n));
        return true;
    }
    // No slave open at the moment (the port is being reopened): the master reports an error;
    // do not spin on it.
    ::usleep(1000);
    return false;
}

QByteArray PtyPeer::readRequest(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int end = m_input.indexOf(QByteArray("\xFC\xFC", 2));
        if (end >= 0) {
            const QByteArray request = m_input.left(end + 2);
            m_input.remove(0, end + 2);
            return request;
        }
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            break;
        waitReadable(int(left));
    }
    const QByteArray partial = m_input;
    m_input.clear();
    return partial;
}

QByteArray PtyPeer::readFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    qint64 left;
    while ((left = ms - timer.elapsed()) > 0)
        waitReadable(int(left));
    const QByteArray bytes = m_input;
    m_input.clear();
    return bytes;
}

int PtyPeer::outputBaud() const
{
    termios tio {};
    if (::tcgetattr(m_master, &tio) != 0)
        return -1;
    switch (::cfgetospeed(&tio)) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
    }
}

bool PtyPeer::waitInputQueued(int bytes, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        int queued = 0;
        if (::ioctl(m_slave, TIOCINQ, &queued) == 0 && queued >= bytes)
            return true;
        if (timer.elapsed() > timeoutMs)
            return false;
        ::usleep(200);
    }
}

bool PtyPeer::waitOutputHeld(bool held, int timeoutMs)
{
    ::fcntl(m_slave, F_SETFL, ::fcntl(m_slave, F_GETFL) | O_NONBLOCK);
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        // A stopped pseudo-terminal takes nothing from its slave side.
        const char probe = 'P';
        const bool passed = ::write(m_slave, &probe, 1) == 1;
        if (passed) {
            pollfd pfd {m_master, POLLIN, 0};
            char back = 0;
            if (::poll(&pfd, 1, 1000) <= 0 || ::read(m_master, &back, 1) != 1)
                return false;
        }
        if (passed != held)
            return true;
        if (timer.elapsed() > timeoutMs)
            return false;
        ::usleep(200);
    }
}
