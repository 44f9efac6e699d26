#include "zdeviceemulator.h"

#include "zfastloader.h"

#include <exception>

#include <sys/prctl.h>

namespace {

RegisterTable loadTable(const QString &databasePath, QString *error)
{
    RegisterTable table;
    try {
        loadRegisters(&table, databasePath);
    } catch (const std::exception &e) {
        table.clear();
        *error = QString::fromUtf8(e.what());
    }
    return table;
}

} // namespace

ZDeviceEmulator::ZDeviceEmulator(const QString &databasePath)
    : m_table(loadTable(databasePath, &m_error))
    , m_receiver(m_table)
    , m_server(&m_receiver)
{
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
    QString error;
    if (!m_pty.open(linkPath, &error)) {
        m_error = error;
        return false;
    }
    m_error.clear();
    m_stop = false;
    m_pendingHangUpMs = -1;
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
        m_pty.wake();
    }
    m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pty.close();
    m_running = false;
    m_hangUpDone.notify_all();
}

bool ZDeviceEmulator::interrupted() const
{
    return m_stop || locked([&] { return m_pendingHangUpMs >= 0; });
}

void ZDeviceEmulator::run()
{
    // Paced bytes are 95 us apart at 115200 baud; the default 50 us timer slack would make every
    // sleep overshoot by half a byte.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    QByteArray buffer;
    Clock::time_point firstByte = Clock::now();
    while (!m_stop) {
        if (locked([&] { return m_pendingHangUpMs >= 0; })) {
            handleHangUp();
            buffer.clear();
            continue;
        }
        if (!m_pty.receive(buffer, firstByte))
            continue;
        QByteArray frame;
        while (ZFrameServer::takeFrame(buffer, &frame) && !interrupted()) {
            serveFrame(frame, firstByte);
            firstByte = Clock::now();
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
        m_pty.hangUp();
        ++m_hangUps;
    }
    m_hangUpDone.notify_all();

    auto reopenAt = Clock::now() + std::chrono::milliseconds(downMs);
    for (;;) {
        if (m_pty.pauseUntil(reopenAt)) {
            std::lock_guard<std::mutex> lock(m_mutex);
            QString error;
            if (m_pty.reopen(&error))
                return;
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

void ZDeviceEmulator::serveFrame(const QByteArray &stuffed, Clock::time_point firstByte)
{
    ZFaultPlan faults = locked([&] { return m_faults; });
    // The request is complete only when its last byte, the second end byte, has crossed the line.
    if (faults.pacing && !m_pty.pauseUntil(firstByte + faults.byteTime * (stuffed.size() + 2)))
        return;

    QByteArray out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        out = m_server.reply(stuffed, m_faults);
        faults = m_faults;
    }
    if (out.isEmpty())
        return;
    if (faults.replyDelayMs > 0 && !m_pty.pauseUntil(Clock::now() + std::chrono::milliseconds(faults.replyDelayMs)))
        return;
    locked([&] { ++m_served; });
    if (!faults.splitReply) {
        send(out, faults);
        return;
    }
    const int half = out.size() / 2;
    if (!send(out.left(half), faults))
        return;
    if (!m_pty.pauseUntil(Clock::now() + std::chrono::milliseconds(faults.splitGapMs)))
        return;
    send(out.mid(half), faults);
}

bool ZDeviceEmulator::send(const QByteArray &bytes, const ZFaultPlan &faults)
{
    const ZPseudoTerminal::SendResult result = m_pty.send(bytes, faults.pacing, faults.byteTime, faults.chunk);
    if (result == ZPseudoTerminal::Lost)
        locked([&] { ++m_repliesLost; });
    return result == ZPseudoTerminal::Sent;
}

void ZDeviceEmulator::setPacing(bool on, int baudRate, int dataBits, int parity, int stopBits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.pacing = on;
    m_faults.byteTime = std::chrono::nanoseconds(
        serialByteNs(baudRate, qBound(5, dataBits, 8), parity, qBound(1, stopBits, 2)));
}

void ZDeviceEmulator::hangUp(int downMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_running)
        return;
    const quint64 before = m_hangUps;
    m_pendingHangUpMs = qMax(0, downMs);
    m_pty.wake();
    m_hangUpDone.wait_for(lock, std::chrono::seconds(5),
                          [&] { return m_hangUps != before || !m_running; });
}
