#include "tcppeer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

TcpPeer::TcpPeer(const QByteArray &reply, int pieces, int gapMs)
    : m_reply(reply), m_pieces(pieces), m_gapMs(gapMs)
{
}

TcpPeer::~TcpPeer()
{
    if (m_wakePipe[1] >= 0)
        (void)::write(m_wakePipe[1], "x", 1);
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : {m_listenFd, m_wakePipe[0], m_wakePipe[1]})
        if (fd >= 0)
            ::close(fd);
}

int TcpPeer::start()
{
    if (::pipe(m_wakePipe) != 0)
        return 0;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), size) != 0
        || ::listen(m_listenFd, 1) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return 0;
    m_thread = std::thread([this] { serve(); });
    return ntohs(address.sin_port);
}

void TcpPeer::serve()
{
    // Waits for `fd` to be readable; false when the test ends first.
    auto readable = [this](int fd) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        return ::poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN);
    };
    if (!readable(m_listenFd))
        return;
    const int fd = ::accept(m_listenFd, nullptr, nullptr);
    if (fd < 0)
        return;
    QByteArray pending;
    char buffer[512];
    while (readable(fd)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, int(n));
        const int end = pending.indexOf(QByteArray("\xFC\xFC", 2));
        if (end < 0)
            continue;
        pending.remove(0, end + 2);
        const int step = (m_reply.size() + m_pieces - 1) / m_pieces;
        for (int at = 0; at < m_reply.size(); at += step) {
            if (at > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(m_gapMs));
            (void)::send(fd, m_reply.constData() + at, size_t(qMin(step, m_reply.size() - at)), MSG_NOSIGNAL);
        }
        ++m_answered;
    }
    ::close(fd);
}
