// The waterfall's window at its usual opening size on the offscreen platform (unless
// QT_QPA_PLATFORM says otherwise). Prints:
//  - adding a row (the sweep's closing frame) with the replot and the repaint of the chart,
//    median and 99th percentile, with the ring full;
//  - the resident memory the window takes: before it opens (a chart shown first, as the main
//    window's are), open, and with the ring full (half an hour of rows at the usual pace is
//    fewer than the ring holds, so full is the most), then again after as many rows more, to
//    show it flat;
//  - the time to save the full ring as CSV.
//
// Usage: waterfall

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chartbench.h"
#include "processfigures.h"
#include "zchartexport.h"
#include "zwaterfallchart.h"
#include "zwaterfallwindow.h"

namespace {

constexpr double RowLimitMs = 3.0;
constexpr double MemoryLimitMiB = 20.0;
// Saving is asked for and waited for, but the window must not seem to hang.
constexpr double SaveLimitSeconds = 1.0;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The waterfall opens from the main window, whose charts have loaded the fonts, the style
    // and the plotting library's first-use tables: the same is done here before "before".
    {
        QCustomPlot warm;
        warm.resize(600, 300);
        warm.show();
        warm.replot(QCustomPlot::rpImmediateRefresh);
        app.processEvents();
    }
    app.processEvents();
    const long before = residentKiB();

    ZWaterfallWindow window;
    // The size it opens at on a screen of 1111 x 750 pixels or more (the offscreen screen is
    // smaller).
    window.resize(1000, 600);
    window.show();
    app.processEvents();
    ZWaterfallChart *chart = window.chart();
    std::printf("platform %s, window %d x %d, chart %d x %d, ring of %d rows\n",
                qPrintable(QGuiApplication::platformName()), window.width(), window.height(), chart->width(),
                chart->height(), chart->ring().capacity());
    const long open = residentKiB();

    int sweep = 0;
    auto feedSweep = [&] {
        for (int no = 0; no < 64; ++no)
            chart->spectrFrame(no, driftingFrame(no, sweep));
        ++sweep;
    };
    for (int i = 0; i <= chart->ring().capacity(); ++i) {
        feedSweep();
        if (i % 64 == 0)
            app.processEvents();
    }
    app.processEvents();
    const long full = residentKiB();

    // The closing frame of a sweep adds the row; the replot and repaint are forced at once.
    QVector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < chart->ring().capacity(); ++i) {
        for (int no = 1; no < 64; ++no)
            chart->spectrFrame(no, driftingFrame(no, sweep));
        ++sweep;
        timer.start();
        chart->spectrFrame(0, driftingFrame(0, sweep));
        chart->replot(QCustomPlot::rpImmediateRefresh);
        ms.append(timer.nsecsElapsed() / 1e6);
        app.processEvents();
    }
    const long after = residentKiB();
    std::sort(ms.begin(), ms.end());

    // The operator saves the whole ring as CSV; the window waits for it.
    QTemporaryDir dir;
    QElapsedTimer saving;
    saving.start();
    QString error;
    if (!chart->exporter()->saveData(dir.filePath(QStringLiteral("waterfall.csv")), &error))
        std::printf("saving failed: %s\n", qPrintable(error));
    const double savedSeconds = saving.nsecsElapsed() / 1e9;

    std::printf("rows held %d; resident KiB: before %ld, open %ld, full %ld, %d rows later %ld\n",
                chart->ring().count(), before, open, full, int(ms.size()), after);
    verdict("row added with replot and repaint, ring full: median", ms.at(ms.size() / 2), RowLimitMs, "ms");
    verdict("row added with replot and repaint: 99th percentile", ms.at(int(ms.size() * 0.99)), RowLimitMs, "ms");
    verdict("memory of the window with the ring full", (std::max(full, after) - before) / 1024.0, MemoryLimitMiB, "MiB");
    verdict("growth after as many rows again", (after - full) / 1024.0, 0.5, "MiB");
    verdict("the full ring saved as CSV (2046 levels a row)", savedSeconds, SaveLimitSeconds, "s");
    return 0;
}
