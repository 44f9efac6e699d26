// The whole polling stack — device engine, serial worker thread, pseudo-terminal — against the
// device emulator in its own process, pacing the line at 115200 8N2, ask interval 10 ms; once
// with every byte arriving on its own (a plain serial port), once with replies arriving in
// 64-byte pieces (a USB adapter), and once through ser2net on raw TCP in front of the paced line
// (a receiver behind a device server). Prints polls per second beside the limit that wire time +
// the 10 ms burst gap (none on a network, where a reply ends at its frame) + the ask interval
// allow, the program's CPU time per poll beside its target and the figure before the worker let
// bytes gather (on a network: beside the serial link's), and its resident memory over the run.
//
// Usage: wholestack [seconds=30 per case] [bytes|chunks|network: only that case]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>

#include "processfigures.h"
#include "ser2netserver.h"
#include "zabstractconnection.h"
#include "zdevicefactory.h"
#include "zserialportprops.h"
#include "ztarnvex.h"

namespace {

struct Case
{
    const char *key;
    const char *name;
    QStringList emulatorOptions;
    double cpuTargetMs;
    double cpuBeforeMs; // the worker that woke for every byte, on the same idle machine
    bool network;
};

// CPU time per poll of the serial link byte by byte, measured in this run: the network's target.
double serialCpuMs = 0;

// Runs one case; false when nothing was polled.
bool runCase(const Case &c, int seconds)
{
    const int warmupSeconds = 3;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString database = bin + "/tarn_vex.ddb";

    QTemporaryDir dir;
    const QString link = dir.filePath("ttyTARN");
    QProcess emulator;
    emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator.start(bin + "/tarn-emulator",
                   QStringList{"--db", database, "--link", link, "--quiet"} + c.emulatorOptions);
    if (!emulator.waitForStarted()) {
        std::fprintf(stderr, "cannot start tarn-emulator\n");
        return false;
    }
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(link) && wait.elapsed() < 5000)
        QThread::msleep(20);

    const std::unique_ptr<ZTarnVex> owner = ZDeviceFactory::createTarnVex(database);
    ZTarnVex &device = *owner;
    ZAbstractConnection *connection = device.connection();
    ZSerialPortProps props;
    props.name = link;
    Ser2NetServer server(link, Ser2NetServer::RawTcp);
    if (c.network) {
        if (!server.start())
            return false;
        props.name = server.portName();
    }
    connection->setDetails(QVariant::fromValue(props));
    device.setProperty("askinterval", 10);

    // Byte counts of both directions, for the wire-time limit; counted in the worker thread so
    // that the measurement adds no events of its own to the program's main thread.
    std::atomic<qint64> bytesIn{0}, bytesOut{0};
    QObject::connect(connection, &ZAbstractConnection::dataIn, connection,
                     [&](const QByteArray &data) { bytesIn += data.size(); }, Qt::DirectConnection);
    QObject::connect(connection, &ZAbstractConnection::sent, connection,
                     [&](const QByteArray &data) { bytesOut += data.size(); }, Qt::DirectConnection);

    qint64 polls = 0, failures = 0;
    QObject::connect(&device, &ZAbstractDevice::statusRcv, [&] { ++polls; });
    QObject::connect(&device, &ZAbstractDevice::paketTimeout, [&] { ++failures; });
    QObject::connect(&device, &ZAbstractDevice::paketError, [&] { ++failures; });

    qint64 polls0 = 0, bytesIn0 = 0, bytesOut0 = 0;
    double cpu0 = 0;
    long rss0 = 0;
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer::singleShot(warmupSeconds * 1000, &loop, [&] {
        polls0 = polls;
        bytesIn0 = bytesIn;
        bytesOut0 = bytesOut;
        cpu0 = cpuSeconds();
        rss0 = residentKiB();
        clock.start();
    });
    QTimer::singleShot((warmupSeconds + seconds) * 1000, &loop, &QEventLoop::quit);
    device.start();
    loop.exec();

    const double elapsed = clock.elapsed() / 1000.0;
    const qint64 n = polls - polls0;
    const double cpu = cpuSeconds() - cpu0;
    const long rss1 = residentKiB();
    device.stop();
    emulator.terminate();
    emulator.waitForFinished(5000);

    if (n <= 0) {
        std::printf("wholestack, %s: no status polls in %.1f s\n", c.name, elapsed);
        return false;
    }
    // 8N2: a start bit, 8 data bits and 2 stop bits per byte.
    const double byteTime = 11.0 / 115200.0;
    const double wirePerPoll = double((bytesIn - bytesIn0) + (bytesOut - bytesOut0)) / double(n) * byteTime;
    const double burstGap = c.network ? 0.0 : 0.010;
    const double limit = 1.0 / (wirePerPoll + burstGap + 0.010);
    const double rate = double(n) / elapsed;
    const double cpuMs = cpu / double(n) * 1000.0;
    std::printf("wholestack, %s: %lld status polls in %.1f s, %lld failures\n", c.name,
                (long long)n, elapsed, (long long)failures);
    std::printf("  polls per second      %.2f\n", rate);
    std::printf("  limit                 %.2f  (wire %.2f ms + burst gap %.0f ms + ask interval 10 ms per poll)\n",
                limit, wirePerPoll * 1000.0, burstGap * 1000.0);
    std::printf("  ratio                 %.3f  (target >= %.2f)\n", rate / limit, c.network ? 0.97 : 0.96);
    if (c.network && serialCpuMs > 0)
        std::printf("  CPU time per poll     %.3f ms  (target <= %.3f, the serial link's byte by byte)\n",
                    cpuMs, serialCpuMs);
    else if (!c.network)
        std::printf("  CPU time per poll     %.3f ms  (target <= %.1f; %.1f before bytes were let gather)\n",
                    cpuMs, c.cpuTargetMs, c.cpuBeforeMs);
    else
        std::printf("  CPU time per poll     %.3f ms  (run the bytes case too for its target)\n", cpuMs);
    if (QByteArray(c.key) == "bytes")
        serialCpuMs = cpuMs;
    std::printf("  resident memory       %ld KiB after warm-up, %ld KiB at the end, growth %ld KiB (target <= 1024)\n",
                rss0, rss1, rss1 - rss0);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 30;
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    const Case cases[] = {
        {"bytes", "byte by byte", {"--pace"}, 1.0, 3.3, false},
        {"chunks", "64-byte pieces", {"--chunk", "64"}, 0.5, 0.65, false},
        {"network", "ser2net raw TCP, paced line behind it", {"--pace"}, 0.0, 0.0, true},
    };
    bool ok = true;
    for (const Case &c : cases) {
        if (only.isEmpty() || only == c.key)
            ok = runCase(c, seconds) && ok;
    }
    return ok ? 0 : 1;
}
