// The two charts of the main window at the size the window gives them (930 x 300 pixels each),
// on the offscreen platform unless QT_QPA_PLATFORM says otherwise. Prints:
//  - the spectrum's refresh (four markers of the four kinds, a full 2046-point trace, the
//    replot included), median and 99th percentile;
//  - the strip chart's addValue with its replot, two graphs of 10,000 points each, median and
//    99th percentile;
//  - the share of one core both charts take at the receiver's rates: a spectrum frame and two
//    values every 43 ms, the spectrum's own refresh every 100 ms, painting included.
//
// Usage: charts [seconds=10 for the share]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chartbench.h"
#include "processfigures.h"
#include "zrealtimechart.h"
#include "zspectrchart.h"
#include "zspectrmarker.h"

namespace {

constexpr double SpectrumLimitMs = 2.0;
constexpr double AppendLimitMs = 1.5;
constexpr double ShareLimitPercent = 5.0;
constexpr int PollMs = 43;

struct Figures
{
    double median;
    double p99;
};

Figures figures(QVector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms.at(ms.size() / 2), ms.at(std::min<int>(ms.size() - 1, int(ms.size() * 0.99)))};
}

// The strip chart on a clock the benchmark steps, so that 10,000 points are in place at once.
class SteppedChart : public ZRealTimeChart
{
public:
    qint64 now = 0;

protected:
    qint64 monotonicMs() const override { return now; }
};

// The signals the device would send; the benchmark calls addValue itself.
class Feed : public QObject
{
    Q_OBJECT
signals:
    void value(float val);
};

const QColor Colours[] = {QColor("#FF3333"), QColor("#FFC02E"), QColor("#00F0FF"), QColor("#FF61C1")};

void addMarkers(ZSpectrChart &chart)
{
    chart.createMarker(1, Colours[0], Absolute, 0);
    chart.createMarker(2, Colours[1], Max, 0);
    chart.createMarker(3, Colours[2], DeltaMax, 0);
    chart.createMarker(4, Colours[3], DeltaMarker, 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    std::printf("platform %s, charts 930 x 300\n", qPrintable(QGuiApplication::platformName()));

    // The spectrum's refresh.
    {
        ZSpectrChart chart;
        chart.resize(930, 300);
        chart.show();
        app.processEvents();
        for (int no = 0; no < 64; ++no)
            chart.spectrFrame(no, driftingFrame(no, 0));
        addMarkers(chart);
        QVector<double> ms;
        QElapsedTimer timer;
        for (int i = 0; i < 600; ++i) {
            chart.spectrFrame(i % 64, driftingFrame(i % 64, i / 64));
            timer.start();
            QMetaObject::invokeMethod(&chart, "updatePlot");
            ms.append(timer.nsecsElapsed() / 1e6);
            app.processEvents(); // paint what the refresh drew, outside the measurement
        }
        const Figures f = figures(ms.mid(100));
        verdict("spectrum refresh, 4 markers, 2046 points: median", f.median, SpectrumLimitMs, "ms");
        verdict("spectrum refresh: 99th percentile", f.p99, SpectrumLimitMs, "ms");
    }

    // The strip chart's append with its replot.
    {
        SteppedChart chart;
        chart.resize(930, 300);
        chart.show();
        app.processEvents();
        Feed power, voltage;
        chart.addSource(&power, &Feed::value, QPen(Qt::red));
        chart.addSource(&voltage, &Feed::value, QPen(Qt::blue));
        for (int i = 0; i < 10000; ++i) {
            chart.now += PollMs;
            chart.addValue(0, float(-40.0 + std::sin(i / 50.0)));
            chart.addValue(1, float(3.0 + 0.1 * std::cos(i / 70.0)));
        }
        QVector<double> ms;
        QElapsedTimer timer;
        for (int i = 0; i < 2000; ++i) {
            chart.now += PollMs / 2; // every value replots
            timer.start();
            chart.addValue(i % 2, float(i % 2 ? 3.0 : -40.0));
            ms.append(timer.nsecsElapsed() / 1e6);
            app.processEvents();
        }
        std::printf("points per graph: %d and %d\n", chart.graph(0)->dataCount(), chart.graph(1)->dataCount());
        const Figures f = figures(ms);
        verdict("strip chart addValue with replot, 2 x 10,000 points: median", f.median, AppendLimitMs, "ms");
        verdict("strip chart addValue with replot: 99th percentile", f.p99, AppendLimitMs, "ms");
    }

    // Both charts at the receiver's rates, on the real clock.
    {
        ZSpectrChart spectrum;
        ZRealTimeChart strip;
        spectrum.resize(930, 300);
        strip.resize(930, 300);
        spectrum.show();
        strip.show();
        addMarkers(spectrum);
        Feed power, voltage;
        strip.addSource(&power, &Feed::value, QPen(Qt::red));
        strip.addSource(&voltage, &Feed::value, QPen(Qt::blue));
        int tick = 0;
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            spectrum.spectrFrame(tick % 64, driftingFrame(tick % 64, tick / 64));
            emit power.value(float(-40.0 + std::sin(tick / 50.0)));
            emit voltage.value(float(3.0 + 0.1 * std::cos(tick / 70.0)));
            ++tick;
        });
        poll.start(PollMs);
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
        app.exec();
        const double share = 100.0 * (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
        std::printf("%d polls in %d s\n", tick, seconds);
        verdict("both charts at the receiver's rates, share of one core", share, ShareLimitPercent, "%");
    }
    return 0;
}

#include "charts.moc"
