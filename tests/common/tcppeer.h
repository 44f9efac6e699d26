#ifndef TCPPEER_H
#define TCPPEER_H

#include <QByteArray>

#include <atomic>
#include <thread>

// A device server as small as can be, for a network's timing: it listens on a free loopback
// port, takes one connection and answers every request (bytes up to an end pair FC FC) with
// `reply`, cut into `pieces` parts sent `gapMs` apart, the way a slow or busy network hands a
// reply over.
class TcpPeer
{
public:
    TcpPeer(const QByteArray &reply, int pieces, int gapMs);
    ~TcpPeer();

    // Listens and starts serving; the port, or 0 when it cannot listen.
    int start();
    int requestsAnswered() const { return m_answered; }

private:
    void serve();

    QByteArray m_reply;
    int m_pieces;
    int m_gapMs;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<int> m_answered{0};
    std::thread m_thread;
};

#endif // TCPPEER_H
