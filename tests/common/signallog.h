#ifndef SIGNALLOG_H
#define SIGNALLOG_H

#include <QList>
#include <QMetaObject>
#include <QStringList>

#include <condition_variable>
#include <mutex>

class ZSerialConnection;

// Every signal of a serial connection, in the order it was emitted, as one line of text each:
// "msg Serial opened /dev/pts/3", "sent fefeff0003...", "timeout", "finished" and so on. The
// connections are direct, so the lines are written on the worker thread in emission order; a
// std::mutex (visible to ThreadSanitizer) guards them.
class SignalLog
{
public:
    explicit SignalLog(ZSerialConnection *connection);
    // Stops the connection's worker first.
    ~SignalLog();
    SignalLog(const SignalLog &) = delete;
    SignalLog &operator=(const SignalLog &) = delete;

    QStringList lines() const;
    // Lines that start with `prefix`.
    int count(const QString &prefix) const;
    // Waits until `count` lines start with `prefix`.
    bool waitFor(const QString &prefix, int count = 1, int timeoutMs = 3000);
    void clear();

private:
    void add(const QString &line);
    int countLocked(const QString &prefix) const;

    ZSerialConnection *m_connection;
    mutable std::mutex m_mutex;
    std::condition_variable m_added;
    QStringList m_lines;
    QList<QMetaObject::Connection> m_connections;
};

#endif // SIGNALLOG_H
