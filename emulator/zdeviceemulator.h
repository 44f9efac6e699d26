#ifndef ZDEVICEEMULATOR_H
#define ZDEVICEEMULATOR_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "zregister.h"

class ZEmulatedReceiver;

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
    bool isRunning() const;
    // The link path if one was given, else the slave's /dev/pts/N.
    QString portPath() const;
    // The slave device itself (changes after hangUp).
    QString slavePath() const;
    QString errorString() const;

    // ---- faults ----
    void setReplyDelay(int ms);
    // Every byte takes its wire time (start bit, data bits, parity bit if parity != 0, stop
    // bits) in both directions: a request counts as received only once its bytes could have
    // crossed the line, and a reply is written byte by byte at the line rate.
    void setPacing(bool on, int baudRate = 115200, int dataBits = 8, int parity = 0, int stopBits = 2);
    // Paced replies reach the port in pieces of this many bytes, each once its last byte's wire
    // time has come, as a USB serial adapter hands them over; 1 (the default) is byte by byte.
    void setChunk(int bytes);
    // The reply goes out in two bursts: its first half, a gap of `gapMs`, the rest.
    void setSplitReply(bool on, int gapMs = 50);
    // Sent before every reply; empty switches it off.
    void setNoise(const QByteArray &bytes);
    // The next `count` replies carry a wrong CRC; -1 = every reply until reset with 0.
    void setCorruptCrc(int count);
    // The next `count` requests are carried out but get no reply; -1 = all until reset with 0.
    void setDropReplies(int count);
    // The next `count` requests are answered with an error response carrying `code` and are not
    // carried out; -1 = all until reset with 0.
    void setErrorReply(int count, int code);
    // The next `count` writes store (and echo) the value with the lowest bit of its first byte
    // flipped, as a device that mangles what it is told would; -1 = all until reset with 0.
    void setAlterWrites(int count);
    // Closes the pty master now, so the open port sees a hang-up and the link disappears; after
    // `downMs` a fresh pty is opened and the link points at it. Returns once the master is closed.
    void hangUp(int downMs);

    // ---- device state ----
    void setRegisterBytes(int number, const QByteArray &bytes);
    QByteArray registerBytes(int number) const;
    // No random noise on power, voltage and spectrum.
    void setDeterministic(bool on);
    // Power and voltage drift slowly around their set values (ignored while deterministic).
    void setWander(bool on);
    void setLock(bool on);
    void setSignalPower(double dBm);
    void setOutputVoltage(double volts);
    // The raw status byte: bits 0..6 alarms (bit 0 the general alarm), bit 7 attenuator.
    void setStatusByte(quint8 bits);
    // The number of the status register in the loaded table (-1 if the table has none).
    int statusRegister() const;
    // The register table the emulator serves.
    RegisterTable registers() const;

    // ---- statistics ----
    // Requests answered with any kind of reply (normal, error, corrupted).
    quint64 requestsServed() const;
    // Every frame received, including those ignored for a bad CRC or another address.
    // Statistics survive stop() and start(); resetStatistics() clears them.
    quint64 requestsReceived() const;
    // Reads of the status register that were answered.
    quint64 statusPolls() const;
    // Replies thrown away because nobody had the port open when they were due.
    quint64 repliesLost() const;
    // Requests received per register number (frames with a good CRC addressed to the device).
    QMap<int, quint64> requestsByRegister() const;
    // The last (up to 100) request frames as received: stuffed, from the start pair up to but
    // without the end pair (garbage before the start pair is not included).
    QList<QByteArray> lastRequests() const;
    // The frequency register's current value, kHz.
    qint32 frequency() const;
    void resetStatistics();

private:
    using Clock = std::chrono::steady_clock;

    void run();
    bool openPty(QString *error);
    void closePty();
    bool pointLink(QString *error);
    void removeLink();
    bool interrupted() const;
    bool pauseUntil(Clock::time_point until);
    bool sendBytes(const QByteArray &bytes, bool paced, std::chrono::nanoseconds byteTime, int chunk);
    void serveBuffer(QByteArray &buffer, Clock::time_point &firstByte);
    void serveFrame(const QByteArray &stuffed, Clock::time_point firstByte);
    void wake();
    void handleHangUp();

    RegisterTable m_table;
    std::unique_ptr<ZEmulatedReceiver> m_receiver;

    mutable std::mutex m_mutex;
    std::condition_variable m_hangUpDone;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    int m_wakePipe[2] = {-1, -1};
    int m_masterFd = -1;   // touched by the serving thread only while it runs
    bool m_slaveOpen = false; // serving thread only: somebody had the slave open at the last look

    // Guarded by m_mutex.
    bool m_running = false;
    QString m_linkPath;
    QString m_slavePath;
    QString m_error;
    int m_replyDelayMs = 0;
    bool m_pacing = false;
    int m_chunk = 1;
    int m_baudRate = 115200;
    int m_bitsPerChar = 11;
    bool m_split = false;
    int m_splitGapMs = 50;
    QByteArray m_noise;
    int m_corruptCrc = 0;
    int m_dropReplies = 0;
    int m_errorReplies = 0;
    int m_errorCode = 0;
    int m_alterWrites = 0;
    int m_pendingHangUpMs = -1;
    quint64 m_hangUps = 0;
    quint64 m_served = 0;
    quint64 m_received = 0;
    quint64 m_statusPolls = 0;
    quint64 m_repliesLost = 0;
    QMap<int, quint64> m_byRegister;
    QList<QByteArray> m_lastRequests;
};

#endif // ZDEVICEEMULATOR_H
