#include "signallog.h"

#include <chrono>

#include "zserialconnection.h"
#include "zserialportprops.h"

SignalLog::SignalLog(ZSerialConnection *c) : m_connection(c)
{
    const auto direct = Qt::DirectConnection;
    auto line = [this](const QString &text) { add(text); };
    auto hex = [](const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex()); };
    m_connections
        << QObject::connect(c, &ZAbstractConnection::detailsAppl, c, [=](QVariant det) {
               line("detailsAppl " + ZSerialPortProps::fromVariant(det).toString());
           }, direct)
        << QObject::connect(c, &ZAbstractConnection::sent, c,
                            [=](QByteArray data) { line("sent " + hex(data)); }, direct)
        << QObject::connect(c, &ZAbstractConnection::received, c,
                            [=](QByteArray data) { line("received " + hex(data)); }, direct)
        << QObject::connect(c, &ZAbstractConnection::error, c,
                            [=](QString text) { line("error " + text); }, direct)
        << QObject::connect(c, &ZAbstractConnection::critical, c,
                            [=](QString text) { line("critical " + text); }, direct)
        << QObject::connect(c, &ZAbstractConnection::writeFail, c,
                            [=]() { line("writeFail"); }, direct)
        << QObject::connect(c, &ZAbstractConnection::timeout, c,
                            [=]() { line("timeout"); }, direct)
        << QObject::connect(c, &ZAbstractConnection::dataIn, c,
                            [=](QByteArray data) { line("dataIn " + hex(data)); }, direct)
        << QObject::connect(c, &ZAbstractConnection::msg, c,
                            [=](QString text) { line("msg " + text); }, direct)
        << QObject::connect(c, &ZAbstractConnection::running, c,
                            [=]() { line("running"); }, direct)
        << QObject::connect(c, &ZSerialConnection::serialOpened, c,
                            [=]() { line("serialOpened"); }, direct)
        << QObject::connect(c, &ZSerialConnection::serialClosed, c,
                            [=]() { line("serialClosed"); }, direct)
        << QObject::connect(c, &ZSerialConnection::serialNameChanged, c,
                            [=](QString name) { line("serialNameChanged " + name); }, direct)
        << QObject::connect(c, &QThread::finished, c, [=]() { line("finished"); }, direct);
}

SignalLog::~SignalLog()
{
    // The worker may be in the middle of a signal; it has to be gone before the log.
    m_connection->stopConnection();
    m_connection->wait();
    // QThread::wait synchronises through a futex ThreadSanitizer cannot see. Every slot above
    // ends by taking m_mutex, so taking it here orders the worker's last calls of them before
    // the slot objects are freed by the disconnects.
    { std::lock_guard<std::mutex> lock(m_mutex); }
    for (const QMetaObject::Connection &connection : qAsConst(m_connections))
        QObject::disconnect(connection);
}

QStringList SignalLog::lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

int SignalLog::count(const QString &prefix) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return countLocked(prefix);
}

bool SignalLog::waitFor(const QString &prefix, int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_added.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return countLocked(prefix) >= count; });
}

void SignalLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

void SignalLog::add(const QString &line)
{
    // Notified under the lock, so that the destructor's lock orders this last use of the
    // condition variable before it is destroyed.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines << line;
    m_added.notify_all();
}

int SignalLog::countLocked(const QString &prefix) const
{
    int n = 0;
    for (const QString &line : m_lines)
        if (line.startsWith(prefix))
            ++n;
    return n;
}
