#ifndef ZPSEUDOTERMINAL_H
#define ZPSEUDOTERMINAL_H

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

// The emulator's end of the serial line: the master of a pseudo-terminal in raw mode, the
// symbolic link that offers its slave as the port, and the reads and paced writes on the master.
// A wake pipe lets another thread cut short whatever the serving thread is waiting for.
//
// Not thread-safe: ZDeviceEmulator opens, hangs up and closes it, and calls wake(), under its
// lock; the waits, reads and writes belong to the serving thread.
class ZPseudoTerminal
{
public:
    using Clock = std::chrono::steady_clock;
    enum SendResult { Sent, Failed, Lost };

    // `interrupted` is asked throughout every wait; true ends the wait at once.
    explicit ZPseudoTerminal(std::function<bool()> interrupted);
    ~ZPseudoTerminal();

    ZPseudoTerminal(const ZPseudoTerminal &) = delete;
    ZPseudoTerminal &operator=(const ZPseudoTerminal &) = delete;

    // Opens the wake pipe and a pty pair, and points `linkPath` (if not empty; an existing
    // symbolic link there is replaced) at the slave. False with `error` on failure.
    bool open(const QString &linkPath, QString *error);
    // Closes the master, so the open port sees a hang-up, and removes the link.
    void hangUp();
    // A fresh pty pair after hangUp(), and the link pointed at it.
    bool reopen(QString *error);
    // Closes everything and removes the link.
    void close();

    // The link path if one was given, else the slave's /dev/pts/N.
    QString portPath() const { return m_linkPath.isEmpty() ? m_slavePath : m_linkPath; }
    QString slavePath() const { return m_slavePath; }
    // The line speed the slave's user set, in baud (the pair shares one set of line settings);
    // 0 while closed or for a speed not among the usual ones.
    int baudRate() const;

    void wake();
    // Waits for bytes from the line and appends them to `buffer`, setting `firstByte` when they
    // begin it; true if any came, false on wake() or when there was nothing to read.
    bool receive(QByteArray &buffer, Clock::time_point &firstByte);
    // Sleeps until `until`; false as soon as interrupted.
    bool pauseUntil(Clock::time_point until);
    // Writes `bytes` to the master; when paced, in pieces of `chunk` bytes, each at its wire time.
    // Lost when nobody has the port open any more, Failed when the write fails otherwise or the
    // wait is interrupted.
    SendResult send(const QByteArray &bytes, bool paced, std::chrono::nanoseconds byteTime, int chunk);

private:
    bool pointLink(QString *error);
    void removeLink();
    void closeMaster();
    void closeWakePipe();
    void drainWakePipe();

    std::function<bool()> m_interrupted;
    int m_wakePipe[2] = {-1, -1};
    int m_masterFd = -1;
    bool m_slaveOpen = false; // somebody had the slave open at the last look
    QString m_linkPath;
    QString m_slavePath;
};

#endif // ZPSEUDOTERMINAL_H
