#ifndef PTYPEER_H
#define PTYPEER_H

#include <QByteArray>
#include <QString>

// The far end of a pseudo-terminal, driven byte by byte from the test thread: the connection
// under test opens the slave (or a symbolic link to it) as its serial port, the test reads the
// requests from the master and writes whatever reply bytes a case needs, when it needs them.
class PtyPeer
{
public:
    PtyPeer() = default;
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    // Opens a fresh pty in raw mode; with a link path, points that symbolic link at the slave.
    bool open(const QString &linkPath = QString());
    // Closes both ends held here: a port open on the slave sees a hang-up, the slave and the
    // link vanish.
    void hangUp();
    // The link if one was given, else the slave device.
    QString path() const;

    void write(const QByteArray &bytes);
    // Bytes up to and including the first end pair FC FC, or what came within the time.
    QByteArray readRequest(int timeoutMs);
    // Everything that arrives within `ms`.
    QByteArray readFor(int ms);
    // The slave's current output speed, as the connection configured it.
    int outputBaud() const;

private:
    bool waitReadable(int timeoutMs);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QByteArray m_input;
};

#endif // PTYPEER_H
