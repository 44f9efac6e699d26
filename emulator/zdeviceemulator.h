#ifndef ZDEVICEEMULATOR_H
#define ZDEVICEEMULATOR_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "zemulatedreceiver.h"
#include "zfaultplan.h"
#include "zframeserver.h"
#include "zpseudoterminal.h"
#include "zregister.h"

// The receiver at the far end of a serial line, for tests, benchmarks and demonstrations.
//
// start() opens a pseudo-terminal in raw mode and serves the device side of the fast protocol on
// its master from a thread of its own; the program opens the slave (or the symbolic link offered
// to it) as if it were the serial port. Faults of a real line can be switched on at any time and
// take effect from the next request.
//
// Every public function is thread-safe. State shared with the serving thread is guarded by one
// std::mutex (not QMutex, so that ThreadSanitizer sees the lock).
class ZDeviceEmulator
{
public:
    explicit ZDeviceEmulator(const QString &databasePath);
    ~ZDeviceEmulator();

    ZDeviceEmulator(const ZDeviceEmulator &) = delete;
    ZDeviceEmulator &operator=(const ZDeviceEmulator &) = delete;

    // Opens the pty, points `linkPath` (if given; an existing symbolic link there is replaced)
    // at its slave and starts serving. False with errorString() on failure.
    bool start(const QString &linkPath = QString());
    // Ends the serving thread, closes the pty and removes the link.
    void stop();
    bool isRunning() const { return locked([&] { return m_running; }); }
    // The link path if one was given, else the slave's /dev/pts/N.
    QString portPath() const { return locked([&] { return m_pty.portPath(); }); }
    // The slave device itself (changes after hangUp).
    QString slavePath() const { return locked([&] { return m_pty.slavePath(); }); }
    QString errorString() const { return locked([&] { return m_error; }); }
    // The speed whoever has the port open set the line to, in baud; 0 while the pty is closed.
    // A program that sets the line from afar (a device server told by its client) shows here.
    int lineBaudRate() const { return locked([&] { return m_pty.baudRate(); }); }

    // ---- faults: each changes its part of the fault plan (see ZFaultPlan) from the next request ----
    void setReplyDelay(int ms) { locked([&] { m_faults.replyDelayMs = qMax(0, ms); }); }
    // The line's rate and framing (a parity bit if parity != 0) give the wire time of a byte.
    void setPacing(bool on, int baudRate = 115200, int dataBits = 8, int parity = 0, int stopBits = 2);
    void setChunk(int bytes) { locked([&] { m_faults.chunk = qMax(1, bytes); }); }
    void setSplitReply(bool on, int gapMs = 50) { locked([&] { m_faults.splitReply = on; m_faults.splitGapMs = qMax(0, gapMs); }); }
    // Empty switches the noise off.
    void setNoise(const QByteArray &bytes) { locked([&] { m_faults.noise = bytes; }); }
    // Counted faults: the next `count` requests, -1 all until reset with 0.
    void setCorruptCrc(int count) { locked([&] { m_faults.corruptCrc = count; }); }
    void setDropReplies(int count) { locked([&] { m_faults.dropReplies = count; }); }
    void setErrorReply(int count, int code) { locked([&] { m_faults.errorReplies = count; m_faults.errorCode = code; }); }
    void setAlterWrites(int count) { locked([&] { m_faults.alterWrites = count; }); }
    // Closes the pty master now, so the open port sees a hang-up and the link disappears; after
    // `downMs` a fresh pty is opened and the link points at it. Returns once the master is closed.
    void hangUp(int downMs);

    // ---- device state ----
    void setRegisterBytes(int number, const QByteArray &bytes) { locked([&] { m_receiver.setRegisterBytes(number, bytes); }); }
    QByteArray registerBytes(int number) const { return locked([&] { return m_receiver.registerBytes(number); }); }
    // No random noise on power, voltage and spectrum.
    void setDeterministic(bool on) { locked([&] { m_receiver.setDeterministic(on); }); }
    // Power and voltage drift slowly around their set values (ignored while deterministic).
    void setWander(bool on) { locked([&] { m_receiver.setWander(on); }); }
    void setLock(bool on) { locked([&] { m_receiver.setLock(on); }); }
    void setSignalPower(double dBm) { locked([&] { m_receiver.setSignalPower(dBm); }); }
    void setOutputVoltage(double volts) { locked([&] { m_receiver.setOutputVoltage(volts); }); }
    // The raw status byte: bits 0..6 alarms (bit 0 the general alarm), bit 7 attenuator.
    void setStatusByte(quint8 bits) { locked([&] { m_receiver.setStatusByte(bits); }); }
    // The number of the status register in the loaded table (-1 if the table has none).
    int statusRegister() const { return locked([&] { return m_receiver.statusRegister(); }); }
    // The register table the emulator serves (never changes after construction).
    RegisterTable registers() const { return m_table; }

    // ---- statistics ----
    // Requests answered with any kind of reply (normal, error, corrupted).
    quint64 requestsServed() const { return locked([&] { return m_served; }); }
    // Every frame received, including those ignored for a bad CRC or another address.
    // Statistics survive stop() and start(); resetStatistics() clears them.
    quint64 requestsReceived() const { return locked([&] { return m_server.requestsReceived(); }); }
    // Reads of the status register that were answered.
    quint64 statusPolls() const { return locked([&] { return m_server.statusPolls(); }); }
    // Replies thrown away because nobody had the port open when they were due.
    quint64 repliesLost() const { return locked([&] { return m_repliesLost; }); }
    // Requests received per register number (frames with a good CRC addressed to the device).
    QMap<int, quint64> requestsByRegister() const { return locked([&] { return m_server.requestsByRegister(); }); }
    // The last (up to 100) request frames as received: stuffed, from the start pair up to but
    // without the end pair (garbage before the start pair is not included).
    QList<QByteArray> lastRequests() const { return locked([&] { return m_server.lastRequests(); }); }
    // The frequency register's current value, kHz.
    qint32 frequency() const { return locked([&] { return m_receiver.frequency(); }); }
    void resetStatistics() { locked([&] { m_served = m_repliesLost = 0; m_server.resetStatistics(); }); }

private:
    using Clock = ZPseudoTerminal::Clock;

    // Runs `access` under the lock and returns what it returns.
    template <typename Access>
    auto locked(Access access) const -> decltype(access())
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return access();
    }

    void run();
    bool interrupted() const;
    void serveFrame(const QByteArray &stuffed, Clock::time_point firstByte);
    bool send(const QByteArray &bytes, const ZFaultPlan &faults);
    void handleHangUp();

    mutable std::mutex m_mutex;
    std::condition_variable m_hangUpDone;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};

    // Guarded by m_mutex (the table never changes after construction). The serving thread waits,
    // reads and writes on the pty without it; only opening and closing it take the lock.
    QString m_error;
    RegisterTable m_table;
    ZEmulatedReceiver m_receiver;
    ZFrameServer m_server;
    ZPseudoTerminal m_pty{[this] { return interrupted(); }};
    ZFaultPlan m_faults;
    bool m_running = false;
    int m_pendingHangUpMs = -1;
    quint64 m_hangUps = 0;
    quint64 m_served = 0;
    quint64 m_repliesLost = 0;
};

#endif // ZDEVICEEMULATOR_H
