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
    // Waits until at least `bytes` written here wait unread at the slave. The terminal layer
    // hands written bytes over asynchronously; once a byte is readable, everything written
    // before it (a flow-control character too) has been processed.
    bool waitInputQueued(int bytes, int timeoutMs = 3000) const;
    // Waits until the terminal holds back (or, with false, lets through) what the slave side
    // writes: XON and XOFF written here take effect asynchronously. Probes by writing a byte on
    // the slave, which is read back here when it passes.
    bool waitOutputHeld(bool held, int timeoutMs = 3000);

private:
    bool waitReadable(int timeoutMs);

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
    QByteArray m_input;
};

#endif // PTYPEER_H
