// Link round trip: how many status polls per second the serial worker achieves against the
// emulated receiver whose line is paced at 115200 baud, 8 data bits, no parity, 2 stop bits.
//
// Each poll costs at least the request's and the reply's time on the wire plus the 10 ms of
// silence after the reply's last byte by which the worker knows the burst has ended:
//     limit = 1 / (request wire time + reply wire time + 10 ms),
//     wire time = stuffed bytes x 11 bits / 115200 bit/s.
// The polls are driven the way the device drives them: the outcome arrives in the main thread
// through a queued connection and the next request is sent from there at once.
//
// Usage: linkroundtrip [seconds] [register database]   (defaults: 10, tarn_vex.ddb beside it)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <mutex>

#include "zdeviceemulator.h"
#include "zfastprotocolhendler.h"
#include "zserialconnection.h"

namespace {

const int BaudRate = 115200;
const int BitsPerByte = 11; // start, 8 data, 2 stop
const double BurstGapSeconds = 0.010;
const int StatusRegister = 1;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double seconds = args.size() > 1 ? args.at(1).toDouble() : 10.0;
    const QString database = args.size() > 2
        ? args.at(2)
        : QCoreApplication::applicationDirPath() + QStringLiteral("/tarn_vex.ddb");

    QTemporaryDir dir;
    ZDeviceEmulator emulator(database);
    if (!dir.isValid() || !emulator.start(dir.filePath(QStringLiteral("ttyTARN")))) {
        std::fprintf(stderr, "emulator: %s\n", qPrintable(emulator.errorString()));
        return 1;
    }
    emulator.setDeterministic(true);
    emulator.setPacing(true, BaudRate, 8, 0, 2);

    ZRegister status;
    const RegisterTable table = emulator.registers();
    for (const ZRegister &reg : table)
        if (reg.number().toInt() == StatusRegister)
            status = reg;
    if (status.length() <= 0) {
        std::fprintf(stderr, "register %d not in %s\n", StatusRegister, qPrintable(database));
        return 1;
    }

    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    connection.setPortName(emulator.portPath());
    const QByteArray request = handler.buildReadRequest(status, 1);

    QElapsedTimer clock;
    qint64 polls = 0;
    qint64 replyBytes = 0;
    qint64 timeouts = 0;
    qint64 badFrames = 0;
    qint64 writeFails = 0;
    bool measuring = false;
    bool finishing = false;
    double elapsed = 0;

    auto next = [&] {
        if (measuring && clock.elapsed() >= qint64(seconds * 1000)) {
            elapsed = clock.nsecsElapsed() / 1e9;
            finishing = true;
            connection.stopConnection();
            return;
        }
        connection.send(request);
    };
    // The first poll warms up; the clock starts when its answer is in.
    QObject::connect(&connection, &ZAbstractConnection::running, &app, next,
                     Qt::QueuedConnection);
    QObject::connect(&connection, &ZAbstractConnection::received, &app,
                     [&](QByteArray frame) {
                         QByteArray value;
                         if (handler.parseResponse(value, frame, status, 0) != 0)
                             ++badFrames;
                         if (measuring) {
                             ++polls;
                             // The frame plus the end pair the handler does not hand on.
                             replyBytes += frame.size() + 2;
                         } else {
                             measuring = true;
                             clock.start();
                         }
                         next();
                     },
                     Qt::QueuedConnection);
    QObject::connect(&connection, &ZAbstractConnection::timeout, &app, [&] {
        ++timeouts;
        next();
    }, Qt::QueuedConnection);
    QObject::connect(&connection, &ZAbstractConnection::writeFail, &app, [&] {
        ++writeFails;
        next();
    }, Qt::QueuedConnection);
    QObject::connect(&connection, &ZAbstractConnection::critical, &app, [&](QString text) {
        std::fprintf(stderr, "critical: %s\n", qPrintable(text));
        app.exit(1);
    }, Qt::QueuedConnection);
    QObject::connect(&connection, &QThread::finished, &app, [&] {
        if (finishing)
            app.quit();
    }, Qt::QueuedConnection);

    // Where the time goes: the exchange on the worker (from the end of the write to the frame,
    // wire times, the device's own turn-around and the burst gap) and the rest of the cycle
    // (the outcome's way to the main thread and the next request's way back).
    std::mutex timesLock;
    QElapsedTimer workerClock;
    workerClock.start();
    qint64 sentAt = -1;
    qint64 exchangeNs = 0;
    qint64 exchanges = 0;
    QObject::connect(&connection, &ZAbstractConnection::sent, &app, [&](QByteArray) {
        std::lock_guard<std::mutex> lock(timesLock);
        sentAt = workerClock.nsecsElapsed();
    }, Qt::DirectConnection);
    QObject::connect(&connection, &ZAbstractConnection::received, &app, [&](QByteArray) {
        std::lock_guard<std::mutex> lock(timesLock);
        if (sentAt >= 0) {
            exchangeNs += workerClock.nsecsElapsed() - sentAt;
            ++exchanges;
        }
    }, Qt::DirectConnection);

    connection.send(QByteArray());
    const int code = app.exec();
    connection.stopConnection();
    connection.wait();
    if (code != 0 || polls == 0)
        return code ? code : 1;

    const double replySize = double(replyBytes) / double(polls);
    const double requestWire = request.size() * BitsPerByte / double(BaudRate);
    const double replyWire = replySize * BitsPerByte / double(BaudRate);
    const double limit = 1.0 / (requestWire + replyWire + BurstGapSeconds);
    const double rate = polls / elapsed;

    std::printf("link round trip: status register %d (%d value bytes), %d 8N2 paced, %.1f s\n",
                StatusRegister, status.length(), BaudRate, elapsed);
    std::printf("  request          %d bytes stuffed, %.3f ms on the wire\n", int(request.size()),
                requestWire * 1000);
    std::printf("  reply            %.1f bytes stuffed (mean), %.3f ms on the wire\n", replySize,
                replyWire * 1000);
    std::printf("  burst gap        %.3f ms\n", BurstGapSeconds * 1000);
    std::printf("  polls            %lld (timeouts %lld, write failures %lld, bad frames %lld)\n",
                polls, timeouts, writeFails, badFrames);
    {
        std::lock_guard<std::mutex> lock(timesLock);
        const double exchangeMs = exchanges ? exchangeNs / 1e6 / double(exchanges) : 0.0;
        std::printf("  exchange         %.3f ms from write to frame (wire and gap %.3f ms)\n",
                    exchangeMs, (requestWire + replyWire + BurstGapSeconds) * 1000);
        std::printf("  rest of cycle    %.3f ms (outcome to the main thread, next request back)\n",
                    1000.0 / rate - exchangeMs);
    }
    std::printf("  measured         %.2f polls/s (%.3f ms per poll)\n", rate, 1000.0 / rate);
    std::printf("  limit            %.2f polls/s (%.3f ms per poll)\n", limit, 1000.0 / limit);
    std::printf("  ratio            %.3f (target >= 0.95): %s\n", rate / limit,
                rate / limit >= 0.95 ? "met" : "NOT met");
    return 0;
}
