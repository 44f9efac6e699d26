#include "zsignallogchart.h"

#include <QTextStream>
#include <QTimer>

#include "zchartexport.h"
#include "zleanplot.h"
#include "zrubberbandzoom.h"
#include "zsignallogfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr double Day = 86400;
// Range changes closer together than this are one change to the statistics.
constexpr int StatisticsDelayMs = 50;

} // namespace

ZSignalLogChart::ZSignalLogChart(QWidget *parent)
    : QCustomPlot(parent),
      m_zoom(new ZRubberBandZoom(this)),
      m_statisticsTimer(new QTimer(this))
{
    QSharedPointer<QCPAxisTickerTime> ticker(new QCPAxisTickerTime);
    ticker->setTimeFormat(QStringLiteral("%h:%m:%s"));
    xAxis->setTicker(ticker);
    xAxis->setLabel(tr("Время"));
    yAxis->setLabel(tr("P сигнала, дБм"));
    axisRect()->setupFullAxesBox(true);
    ZLeanPlot::apply(this);

    QCPGraph *graph = addGraph();
    graph->setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 1));
    // A day at the fastest sampling is close to a million points on a few hundred pixels.
    graph->setAdaptiveSampling(true);
    xAxis->setRange(0, Day);

    setAccessibleName(tr("Журнал сигнала"));
    m_export = new ZChartExport(this, [this](QTextStream &out) { writeCsv(out); });

    connect(m_zoom, &ZRubberBandZoom::zoomLeft, this, [this] {
        showWhole();
        replot();
    });
    m_statisticsTimer->setSingleShot(true);
    m_statisticsTimer->setInterval(StatisticsDelayMs);
    connect(m_statisticsTimer, &QTimer::timeout, this, &ZSignalLogChart::updateStatistics);
    connect(xAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged), this, [this] {
        if (!m_statisticsTimer->isActive())
            m_statisticsTimer->start();
    });
    updateStatistics();
}

void ZSignalLogChart::setPoints(const QVector<double> &times, const QVector<double> &powers)
{
    m_zoom->reset();
    graph(0)->setData(times, powers, true);
    showWhole();
    replot();
    m_statisticsTimer->start();
}

void ZSignalLogChart::appendPoints(const QVector<double> &times, const QVector<double> &powers)
{
    // The lines the program adds after a pause (it was closed, or the receiver silent) do not
    // join the line before it.
    const QSharedPointer<QCPGraphDataContainer> data = graph(0)->data();
    if (data->size() >= 2 && !times.isEmpty()) {
        const double last = (data->constEnd() - 1)->key;
        const double first = times.first();
        if (ZSignalLogFile::isPause(last - (data->constEnd() - 2)->key, first - last))
            data->add(QCPGraphData((last + first) / 2, std::numeric_limits<double>::quiet_NaN()));
    }
    graph(0)->addData(times, powers, true);
    if (!isZoomed())
        showWhole();
    replot(rpQueuedReplot);
    m_statisticsTimer->start();
}

int ZSignalLogChart::pointCount() const
{
    return graph(0)->dataCount();
}

bool ZSignalLogChart::isZoomed() const
{
    return m_zoom->state() != ZRubberBandZoom::Free;
}

void ZSignalLogChart::showWhole()
{
    if (graph(0)->data()->isEmpty()) {
        xAxis->setRange(0, Day);
        return;
    }
    graph(0)->rescaleAxes();
}

void ZSignalLogChart::updateStatistics()
{
    Statistics statistics;
    const QSharedPointer<QCPGraphDataContainer> data = graph(0)->data();
    const QCPRange span = xAxis->range();
    auto it = data->findBegin(span.lower, false);
    const auto end = data->findEnd(span.upper, false);
    double sum = 0;
    for (; it != end; ++it) {
        // The points of no value that break the line at a pause are no power.
        if (std::isnan(it->value))
            continue;
        statistics.min = statistics.count == 0 ? it->value : std::min(statistics.min, it->value);
        statistics.max = statistics.count == 0 ? it->value : std::max(statistics.max, it->value);
        sum += it->value;
        ++statistics.count;
    }
    if (statistics.count > 0)
        statistics.mean = sum / statistics.count;
    m_statistics = statistics;
    setAccessibleDescription(statisticsText());
    emit statisticsChanged();
}

QString ZSignalLogChart::statisticsText() const
{
    if (m_statistics.count == 0)
        return tr("Нет точек на виду");
    return tr("Мин %1  Макс %2  Среднее %3 дБм, точек: %4")
        .arg(QString::number(m_statistics.min, 'f', 3), QString::number(m_statistics.max, 'f', 3),
             QString::number(m_statistics.mean, 'f', 3))
        .arg(m_statistics.count);
}

namespace {

// A CSV row: "hh:mm:ss.zzz,power\n", the hours going on past 23 after midnight. Formatted into
// a buffer of its own: a day at the fastest sampling is close to a million rows, which Qt's
// string formatting takes over half a second to write.
int csvRow(char (&row)[64], double key, double value)
{
    const long long ms = std::llround(std::abs(key) * 1000);
    return std::snprintf(row, sizeof row, "%s%02lld:%02lld:%02lld.%03lld,%.3f\n", key < 0 ? "-" : "", ms / 3600000,
                         ms / 60000 % 60, ms / 1000 % 60, ms % 1000, value);
}

} // namespace

void ZSignalLogChart::writeCsv(QTextStream &out) const
{
    out << ZChartExport::csvField(tr("Время")) << ',' << ZChartExport::csvField(tr("P сигнала, дБм")) << '\n';
    const QSharedPointer<QCPGraphDataContainer> data = graph(0)->data();
    const QCPRange span = xAxis->range();
    const auto end = data->findEnd(span.upper, false);
    for (auto it = data->findBegin(span.lower, false); it != end; ++it) {
        char row[64];
        if (!std::isnan(it->value))
            out << QLatin1String(row, qMin(csvRow(row, it->key, it->value), int(sizeof row) - 1));
    }
}
