// The signal-log viewer against a day logged at the fastest sampling, one line every 100 ms:
// 864,000 lines and a few damaged ones in a temporary folder, on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise. Prints, each the median of three runs:
//  - the whole file read into points (ZSignalLogFile, in this thread);
//  - the viewer, from choosing the day in its list to its chart holding every point, replotted;
//  - then the day saved as CSV from the viewer.
//
// Usage: signallog

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "zchartexport.h"
#include "zsignallogchart.h"
#include "zsignallogfile.h"
#include "zsignallogviewer.h"

namespace {

constexpr int Lines = 864000;
constexpr int Damaged = 3;
constexpr double LimitSeconds = 1.0;

// A slow fade over the day with a little noise, as a receiver on a long path shows.
bool writeDay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::vector<char> text;
    text.reserve(size_t(Lines) * 34 + 64);
    char line[64];
    for (int i = 0; i < Lines; ++i) {
        const int ms = i * 100;
        const double power = -60.0 + 6.0 * std::sin(i / 20000.0) + 0.5 * std::sin(i * 12.9898);
        const int n = std::snprintf(line, sizeof line, "2026-12-10 %02d:%02d:%02d.%03d \"%.3f\"\n", ms / 3600000,
                                    ms / 60000 % 60, ms / 1000 % 60, ms % 1000, power);
        text.insert(text.end(), line, line + n);
        // A line cut by a power failure now and then.
        if (i % (Lines / Damaged) == Lines / Damaged / 2)
            text.insert(text.end(), line, line + 20), text.push_back('\n');
    }
    return file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Chooses the list's row and waits until the chart holds `points` points and has been replotted
// with them; seconds, or -1 when that took more than a minute.
double chooseAndWait(ZSignalLogViewer &viewer, int row, int points)
{
    auto *list = viewer.findChild<QListWidget *>();
    auto *chart = viewer.findChild<ZSignalLogChart *>();
    QEventLoop loop;
    QElapsedTimer clock;
    double seconds = -1;
    const QMetaObject::Connection shown = QObject::connect(chart, &QCustomPlot::afterReplot, &loop, [&] {
        if (chart->pointCount() == points) {
            seconds = double(clock.nsecsElapsed()) / 1e9;
            loop.quit();
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    clock.start();
    list->setCurrentRow(row);
    loop.exec();
    QObject::disconnect(shown);
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("2026-12-10"));
    if (!dir.isValid() || !writeDay(big) || !writeDay(dir.filePath(QStringLiteral("2026-12-09")))) {
        std::fprintf(stderr, "cannot write the log in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("platform %s, %.1f MB a day\n", qPrintable(QGuiApplication::platformName()),
                double(QFileInfo(big).size()) / 1e6);

    std::vector<double> reads;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        const ZSignalLogFile::Result result = ZSignalLogFile(big).read();
        reads.push_back(double(clock.nsecsElapsed()) / 1e9);
        if (result.times.size() != Lines || result.damaged != Damaged) {
            std::fprintf(stderr, "read %d points and %lld damaged lines\n", result.times.size(), result.damaged);
            return 1;
        }
    }

    // Two days of the same size, chosen in turn, so that every run reads a day afresh.
    std::vector<double> shown;
    ZSignalLogViewer viewer(dir.path());
    viewer.show();
    if (chooseAndWait(viewer, 1, Lines) < 0)
        return 1;
    for (int run = 0; run < 3; ++run) {
        shown.push_back(chooseAndWait(viewer, run % 2 == 0 ? 0 : 1, Lines));
        if (shown.back() < 0) {
            std::fprintf(stderr, "the viewer did not show the day within a minute\n");
            return 1;
        }
    }

    const double read = median(reads), show = median(shown);
    std::printf("signal log, %d lines: read %.3f s, shown %.3f s (limit %.2f s) %s\n", Lines, read, show,
                LimitSeconds, read <= LimitSeconds && show <= LimitSeconds ? "ok" : "OVER");
    auto *chart = viewer.findChild<ZSignalLogChart *>();
    QEventLoop settled;
    QObject::connect(chart, &ZSignalLogChart::statisticsChanged, &settled, &QEventLoop::quit);
    QTimer::singleShot(10000, &settled, &QEventLoop::quit);
    settled.exec();
    std::printf("statistics on show: %s\n", qPrintable(chart->statisticsText()));

    // The operator saves the whole day as CSV; the window waits for it.
    QElapsedTimer saving;
    saving.start();
    QString error;
    if (!chart->exporter()->saveData(dir.filePath(QStringLiteral("day.csv")), &error))
        std::fprintf(stderr, "saving failed: %s\n", qPrintable(error));
    const double saved = double(saving.nsecsElapsed()) / 1e9;
    std::printf("the whole day saved as CSV: %.3f s (limit %.2f s) %s\n", saved, LimitSeconds,
                saved <= LimitSeconds ? "ok" : "OVER");
    return 0;
}
