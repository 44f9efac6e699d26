// The whole program as an operator runs it: the main window shown at 1149 x 676 (offscreen
// unless QT_QPA_PLATFORM says otherwise) with both strip chart graphs, four spectrum markers and
// the signal log on, the receiver model polling the paced emulator (115200 8N2, ask interval
// 10 ms) in a process of its own. Runs long enough for the strip chart to reach its 10,000-point
// cap and prints polls per second beside the line's limit, the program's share of one core, and
// its resident memory when the cap was reached and at the end.
//
// With --monitor the exchange monitor is open beside the window, logging every frame; with
// --unbounded as well, its logs keep every line, as they did before they were capped.
//
// Usage: window [minutes=15] [--monitor [--unbounded]]

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

#include "processfigures.h"
#include "signallogger.h"
#include "tarnwindow.h"
#include "zabstractconnection.h"
#include "zdevicefactory.h"
#include "zexchangetext.h"
#include "zmonitor.h"
#include "zrealtimechart.h"
#include "zserialportprops.h"
#include "zspectrmarker.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

// Time samples, room for some 70 minutes of polls. The room is allocated and touched up front:
// filling it as the run goes would show as the program's own growth of resident memory, some
// 55 KiB a minute for five of them.
struct Samples
{
    std::vector<qint64> values = std::vector<qint64>(100000);
    size_t count = 0;
    void add(qint64 ns)
    {
        if (count < values.size())
            values[count++] = ns;
    }
};

// The main thread's part of each poll, seen from outside: when the worker's outcome reaches the
// device (a queued call) and when the pacing timer goes off. Together with the worker's own
// moments they split the pause after a reply into the hop to the main thread, the timer's
// lateness beyond the ask interval, and the hop back to the worker.
class PollWatch : public QObject
{
public:
    PollWatch(const QElapsedTimer &clock, QObject *device, QObject *pacer)
        : m_clock(clock), m_device(device), m_pacer(pacer)
    {
        device->installEventFilter(this);
        pacer->installEventFilter(this);
    }

    std::atomic<qint64> replyEndNs{-1}; // written by the worker
    std::atomic<qint64> timerNs{-1};
    std::atomic<bool> measuring{false};
    Samples hopIn, timerLate;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (watched == m_device && event->type() == QEvent::MetaCall) {
            m_lastCall = now;
        } else if (watched == m_pacer && event->type() == QEvent::Timer) {
            timerNs = now;
            if (measuring && m_lastCall >= 0 && replyEndNs >= 0) {
                hopIn.add(m_lastCall - replyEndNs);
                timerLate.add(now - m_lastCall - 10000000);
            }
        }
        return false;
    }

private:
    const QElapsedTimer &m_clock;
    QObject *const m_device;
    QObject *const m_pacer;
    qint64 m_lastCall = -1;
};

void printMedian(const char *what, Samples &samples, const char *against)
{
    if (samples.count == 0)
        return;
    const auto begin = samples.values.begin();
    const auto end = begin + qint64(samples.count);
    std::sort(begin, end);
    std::printf("  %-21s %.2f ms median, %.2f ms 90th percentile%s\n", what, begin[samples.count / 2] / 1e6,
                begin[samples.count * 9 / 10] / 1e6, against);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ZStartup::keepLargeBlocksSeparate();
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool withMonitor = args.contains("--monitor");
    const bool unbounded = args.contains("--unbounded");
    const double minutes = !args.isEmpty() && !args.first().startsWith("--") ? args.first().toDouble() : 15.0;
    const int warmupSeconds = 5;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString database = bin + "/tarn_vex.ddb";

    QTemporaryDir dir;
    ZStartup::setIdentity();
    ZStartup::useSettingsFileIn(dir.path());
    {
        std::unique_ptr<QSettings> settings(ZStartup::openSettings());
        settings->setValue("Logger/Enable", true);
        settings->setValue("Logger/Interval", 500);
    }
    QDir(dir.path()).mkdir("logs");
    setupSignalLogger(dir.filePath("logs"));

    const QString link = dir.filePath("ttyTARN");
    QProcess emulator;
    emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    emulator.start(bin + "/tarn-emulator", {"--db", database, "--link", link, "--quiet", "--pace", "--wander"});
    if (!emulator.waitForStarted()) {
        std::fprintf(stderr, "cannot start tarn-emulator\n");
        return 1;
    }
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(link) && wait.elapsed() < 5000)
        QThread::msleep(20);

    const std::unique_ptr<ZTarnVex> device = ZDeviceFactory::createTarnVex(database);
    ZAbstractConnection *connection = device->connection();
    ZSerialPortProps props;
    props.name = link;
    connection->setDetails(QVariant::fromValue(props));
    device->setProperty("askinterval", 10);

    // Byte counts for the wire-time limit, and the pause from a reply's last byte to the next
    // request: the ask interval plus whatever the program's main thread spent in between.
    // Both are taken on the worker thread.
    std::atomic<qint64> bytesIn{0}, bytesOut{0};
    QElapsedTimer lineClock;
    lineClock.start();
    qint64 lastIn = -1, lastSent = -1;
    // Per poll: request written to the reply's burst ended (both wires, the device's turnaround
    // and the silence that ends the burst), that end to the next request written, and of that
    // the hop back from the pacing timer to the worker's write.
    Samples gaps, replies, hopOut;
    QTimer *pacer = nullptr;
    for (QTimer *timer : device->findChildren<QTimer *>()) {
        if (timer->parent() != device.get())
            pacer = timer;
    }
    PollWatch watch(lineClock, device.get(), pacer);
    std::atomic<bool> measuring{false};
    QObject::connect(connection, &ZAbstractConnection::dataIn, connection, [&](const QByteArray &data) {
        bytesIn += data.size();
        lastIn = lineClock.nsecsElapsed();
        watch.replyEndNs = lastIn;
        if (measuring && lastSent >= 0)
            replies.add(lastIn - lastSent);
        lastSent = -1;
    }, Qt::DirectConnection);
    QObject::connect(connection, &ZAbstractConnection::sent, connection, [&](const QByteArray &data) {
        bytesOut += data.size();
        lastSent = lineClock.nsecsElapsed();
        if (measuring && lastIn >= 0) {
            gaps.add(lastSent - lastIn);
            if (watch.timerNs >= 0)
                hopOut.add(lastSent - watch.timerNs);
        }
    }, Qt::DirectConnection);
    qint64 polls = 0;
    QObject::connect(device.get(), &ZAbstractDevice::statusRcv, [&] { ++polls; });

    // Wired as start-up wires it.
    TarnWindow window;
    QObject::connect(device.get(), &ZAbstractDevice::connected, &window, &TarnWindow::deviceConected);
    QObject::connect(device.get(), &ZAbstractDevice::disconnected, &window, &TarnWindow::deviceDisconnected);
    QObject::connect(device.get(), &ZAbstractDevice::started, &window, &TarnWindow::deviceStarted);
    QObject::connect(device.get(), &ZAbstractDevice::finished, &window, &TarnWindow::deviceFinished);
    window.setDevice(device.get());
    window.setLogInterval(500);
    window.resize(1149, 676);
    window.show();
    window.findChild<QCheckBox *>(QStringLiteral("checkBox_voltageGraph"))->setChecked(true);
    // Four markers: two absolute, the maximum, and a difference to it.
    QMetaObject::invokeMethod(&window, "createMarker", Q_ARG(int, 1), Q_ARG(int, Absolute), Q_ARG(int, 0));
    QMetaObject::invokeMethod(&window, "createMarker", Q_ARG(int, 2), Q_ARG(int, Absolute), Q_ARG(int, 0));
    QMetaObject::invokeMethod(&window, "createMarker", Q_ARG(int, 3), Q_ARG(int, Max), Q_ARG(int, 0));
    QMetaObject::invokeMethod(&window, "createMarker", Q_ARG(int, 4), Q_ARG(int, DeltaMarker), Q_ARG(int, 3));
    auto *strip = window.findChild<ZRealTimeChart *>(QStringLiteral("widget_chart"));
    std::unique_ptr<ZMonitor> monitor;
    if (withMonitor) {
        monitor = std::make_unique<ZMonitor>(device.get());
        if (unbounded) {
            monitor->sentLog()->setMaximumLines(0);
            monitor->receivedLog()->setMaximumLines(0);
        } else if (qEnvironmentVariableIsSet("BENCH_MONITOR_LINES")) {
            // Shorter runs see the trimming too.
            monitor->sentLog()->setMaximumLines(qEnvironmentVariableIntValue("BENCH_MONITOR_LINES"));
            monitor->receivedLog()->setMaximumLines(qEnvironmentVariableIntValue("BENCH_MONITOR_LINES"));
        }
        monitor->move(1149, 0);
        monitor->show();
        std::printf("window: exchange monitor open, logs %s\n",
                    unbounded ? "unbounded" : qPrintable(QStringLiteral("capped at %1 lines").arg(monitor->receivedLog()->maximumLines())));
    }

    qint64 polls0 = 0, bytesIn0 = 0, bytesOut0 = 0;
    double cpu0 = 0, capSeconds = -1;
    long rss0 = 0, rssCap = 0;
    QElapsedTimer clock;
    QTimer::singleShot(warmupSeconds * 1000, [&] {
        polls0 = polls;
        bytesIn0 = bytesIn;
        bytesOut0 = bytesOut;
        cpu0 = cpuSeconds();
        rss0 = residentKiB();
        clock.start();
        measuring = true;
        watch.measuring = true;
    });
    QTimer capWatch;
    QObject::connect(&capWatch, &QTimer::timeout, [&] {
        if (capSeconds < 0 && clock.isValid() && strip->graphCount() > 0 && strip->graph(0)->data()->size() >= 10000) {
            capSeconds = clock.elapsed() / 1000.0;
            rssCap = residentKiB();
            std::printf("window: strip chart at its 10000-point cap after %.0f s, resident %ld KiB\n", capSeconds, rssCap);
            std::fflush(stdout);
        }
    });
    capWatch.start(1000);
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, [&] {
        if (clock.isValid())
            std::printf("window: %.0f s, %lld polls, resident %ld KiB, CPU share so far %.1f %%", clock.elapsed() / 1000.0,
                        (long long)(polls - polls0), residentKiB(),
                        (cpuSeconds() - cpu0) / (clock.elapsed() / 1000.0) * 100.0);
        if (monitor)
            std::printf(", monitor lines %d sent, %d received", monitor->sentLog()->lineCount(),
                        monitor->receivedLog()->lineCount());
        std::printf("\n");
        std::fflush(stdout);
    });
    progress.start(60000);
    QTimer::singleShot(int((warmupSeconds + minutes * 60) * 1000), &app, &QCoreApplication::quit);
    device->start();
    app.exec();

    const double elapsed = clock.elapsed() / 1000.0;
    const qint64 n = polls - polls0;
    const double cpu = cpuSeconds() - cpu0;
    const long rss1 = residentKiB();
    measuring = false;
    watch.measuring = false;
    device->stop();
    emulator.terminate();
    emulator.waitForFinished(5000);
    if (n <= 0) {
        std::printf("window: no status polls in %.1f s\n", elapsed);
        return 1;
    }
    const double byteTime = 11.0 / 115200.0;
    const double wirePerPoll = double((bytesIn - bytesIn0) + (bytesOut - bytesOut0)) / double(n) * byteTime;
    const double limit = 1.0 / (wirePerPoll + 0.010 + 0.010);
    const double rate = double(n) / elapsed;
    std::printf("window: %lld status polls in %.0f s with the window shown%s\n", (long long)n, elapsed,
                monitor ? (unbounded ? " and the monitor (unbounded logs)" : " and the monitor (capped logs)") : "");
    std::printf("  polls per second      %.2f, limit %.2f (wire %.2f ms + burst gap 10 ms + ask interval 10 ms)\n",
                rate, limit, wirePerPoll * 1000.0);
    std::printf("  ratio                 %.3f  (target >= 0.97)\n", rate / limit);
    const QByteArray wire = QStringLiteral(" (wire %1 ms + burst gap 10 ms)").arg(wirePerPoll * 1000.0, 0, 'f', 2).toLatin1();
    printMedian("request to reply end", replies, wire.constData());
    printMedian("reply to next request", gaps, " (ask interval 10 ms), of which:");
    printMedian("  hop to main thread", watch.hopIn, "");
    printMedian("  timer vs 10 ms", watch.timerLate, " (set to go off 1 ms early)");
    printMedian("  timer to the write", hopOut, " (held by the worker to the due moment)");
    std::printf("  CPU share of one core %.1f %%  (target <= %d %%)\n", cpu / elapsed * 100.0, monitor ? 7 : 5);
    if (capSeconds < 0)
        std::printf("  resident memory       %ld KiB after warm-up, %ld KiB at the end; the strip chart never reached its cap (run longer)\n", rss0, rss1);
    else
        std::printf("  resident memory       %ld KiB at the cap (%.0f s), %ld KiB at the end, growth %ld KiB, %.0f KiB an hour (target <= 256)\n",
                    rssCap, capSeconds, rss1, rss1 - rssCap,
                    elapsed > capSeconds + 60 ? double(rss1 - rssCap) * 3600.0 / (elapsed - capSeconds) : 0.0);
    return 0;
}
