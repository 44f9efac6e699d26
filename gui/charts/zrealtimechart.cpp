#include "zrealtimechart.h"

#include <QTextStream>

#include "zchartexport.h"
#include "zleanplot.h"
#include "zrubberbandzoom.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace {

// The data container drops its oldest points by moving its start forward and compacts only once
// the dropped part is half as large again as the kept one, by which time its storage has grown
// to two and a half times the cap. Compacting every few hundred points keeps a chart at its cap
// in the storage it had when it got there, for weeks.
constexpr int CompactEvery = 512;

} // namespace

ZRealTimeChart::ZRealTimeChart(QWidget *parent)
    : QCustomPlot(parent),
      zoom(new ZRubberBandZoom(this))
{
    monotonic.start();

    QSharedPointer<QCPAxisTickerTime> ticker(new QCPAxisTickerTime);
    ticker->setTimeFormat(QStringLiteral("%h:%m:%s"));
    xAxis->setTicker(ticker);

    axisRect()->setupFullAxesBox(false);
    ZLeanPlot::apply(this);
    connect(xAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged),
            xAxis2, QOverload<const QCPRange &>::of(&QCPAxis::setRange));
    connect(yAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged),
            yAxis2, QOverload<const QCPRange &>::of(&QCPAxis::setRange));
    xAxis2->setVisible(true);
    xAxis2->setTicks(false);
    xAxis2->setTickLabels(false);
    yAxis2->setVisible(true);
    yAxis2->setTicks(false);
    yAxis2->setTickLabels(false);

    connect(zoom, &ZRubberBandZoom::zoomLeft, this, &ZRealTimeChart::follow);

    setAccessibleName(tr("График сигнала"));
    m_export = new ZChartExport(this, [this](QTextStream &out) { writeCsv(out); });
    describeTimer = new QTimer(this);
    describeTimer->setInterval(1000);
    connect(describeTimer, &QTimer::timeout, this, &ZRealTimeChart::describe);
    describeTimer->start();
}

void ZRealTimeChart::setSourceName(int id, const QString &name)
{
    for (ZLoopValue *source : qAsConst(sources)) {
        if (source->id == id)
            graph(source->graphIndex)->setName(name);
    }
}

void ZRealTimeChart::describe()
{
    QStringList parts;
    for (int i = 0; i < graphCount(); ++i) {
        const QSharedPointer<QCPGraphDataContainer> data = graph(i)->data();
        if (data->isEmpty() || !std::isfinite((data->constEnd() - 1)->value))
            continue;
        parts << QStringLiteral("%1 %2").arg(graph(i)->name(), QString::number((data->constEnd() - 1)->value, 'f', 2));
    }
    const QString text = parts.isEmpty() ? tr("Нет данных") : parts.join(QStringLiteral("; "));
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void ZRealTimeChart::writeCsv(QTextStream &out) const
{
    // One row per moment in the span on show; the values that came at that moment side by side,
    // an empty field where a graph has none (or where its line breaks).
    const QCPRange span = xAxis->range();
    std::map<double, std::vector<QString>> rows;
    for (int i = 0; i < graphCount(); ++i) {
        const QSharedPointer<QCPGraphDataContainer> data = graph(i)->data();
        for (auto it = data->findBegin(span.lower, false); it != data->constEnd() && it->key <= span.upper; ++it) {
            std::vector<QString> &row = rows[it->key];
            row.resize(size_t(graphCount()));
            if (std::isfinite(it->value))
                row[size_t(i)] = QString::number(it->value, 'g', 7);
        }
    }
    out << ZChartExport::csvField(tr("Время, с"));
    for (int i = 0; i < graphCount(); ++i)
        out << ',' << ZChartExport::csvField(graph(i)->name());
    out << '\n';
    for (const auto &row : rows) {
        out << QString::number(row.first, 'f', 3);
        for (const QString &value : row.second)
            out << ',' << value;
        out << '\n';
    }
}

ZRealTimeChart::~ZRealTimeChart()
{
    qDeleteAll(sources);
}

qint64 ZRealTimeChart::monotonicMs() const
{
    return monotonic.elapsed();
}

ZRealTimeChart::ZLoopValue *ZRealTimeChart::newSource(const QPen &pen)
{
    const int graphIndex = graphCount();

    // The lowest free id after the last gap in the ids given out: 0,1 -> 2; 1 -> 0; 0,2 -> 1;
    // 0,2,4 -> 3.
    QList<int> ids;
    for (const ZLoopValue *source : qAsConst(sources))
        ids.append(source->id);
    std::sort(ids.begin(), ids.end());
    int id = 0;
    if (!ids.isEmpty() && ids.first() == 0) {
        bool gap = false;
        for (int i = 0; i + 1 < ids.size(); ++i) {
            if (ids.at(i + 1) != ids.at(i) + 1) {
                id = ids.at(i) + 1;
                gap = true;
            }
        }
        if (!gap)
            id = ids.last() + 1;
    }

    auto *record = new ZLoopValue(id, graphIndex);
    QCPGraph *graph = addGraph();
    graph->setPen(pen);
    sources.append(record);
    return record;
}

void ZRealTimeChart::removeSource(int id)
{
    auto it = std::find_if(sources.begin(), sources.end(),
                           [id](const ZLoopValue *source) { return source->id == id; });
    if (it == sources.end())
        return;
    ZLoopValue *record = *it;
    QObject::disconnect(record->connection);
    removeGraph(record->graphIndex);
    sources.erase(it);
    for (ZLoopValue *source : qAsConst(sources)) {
        if (source->graphIndex > record->graphIndex)
            --source->graphIndex;
    }
    delete record;

    if (sources.isEmpty()) {
        clockStart = -1;
        lastKey = 0;
    }
    rescaleAxes(true);
    replot();
}

void ZRealTimeChart::keepNewest(QCPGraph *graph, int count)
{
    // Points of one graph may share a key (a break is drawn as a NaN point at the key of the
    // value after it), so the oldest points are removed one by one rather than by key.
    const QSharedPointer<QCPGraphDataContainer> data = graph->data();
    while (data->size() > qMax(count, 0))
        data->remove(data->constBegin()->key);
}

void ZRealTimeChart::noteTrimmed(int graphIndex, int count)
{
    for (ZLoopValue *source : qAsConst(sources)) {
        if (source->graphIndex != graphIndex)
            continue;
        source->trimmed += count;
        if (source->trimmed >= CompactEvery) {
            graph(graphIndex)->data()->squeeze(true, false);
            source->trimmed = 0;
        }
    }
}

void ZRealTimeChart::addValue(int graphIndex, float val)
{
    if (sources.isEmpty() || graphIndex < 0 || graphIndex >= graphCount())
        return;
    if (clockStart < 0)
        clockStart = monotonicMs();
    const double t = double(monotonicMs() - clockStart) / 1000.0;
    if (m_paused)
        return;

    QCPGraph *graph = this->graph(graphIndex);
    if (graph->dataCount() >= maxPoints) {
        const int before = graph->dataCount();
        keepNewest(graph, maxPoints - 1);
        noteTrimmed(graphIndex, before - graph->dataCount());
    }

    if (t - lastKey > gapThreshold) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        graph->addData(lastKey, nan);
        graph->addData(t, nan);
    }
    graph->addData(t, double(val));
    lastKey = t;

    if (zoom->state() != ZRubberBandZoom::Free)
        return;

    graph->rescaleValueAxis(graph->dataCount() != 1);
    if (secondsOnChart > lastKey)
        rescaleAxes(true);
    else
        xAxis->setRange(t - secondsOnChart, t);

    // Drawn once the values of one status reply are all in, not once per value: power and
    // voltage come together, and the window has other work on the same pass. Every value is
    // in the data above all the same.
    replot(rpQueuedReplot);
}

void ZRealTimeChart::setSecondsOnChart(int seconds)
{
    secondsOnChart = seconds;
}

void ZRealTimeChart::setPaused(bool paused)
{
    m_paused = paused;
}

void ZRealTimeChart::clear()
{
    for (int i = 0; i < graphCount(); ++i)
        graph(i)->data()->clear();
    lastKey = 0;
    clockStart = -1;
    rescaleAxes();
    replot();
}

void ZRealTimeChart::setMaxPoints(int count)
{
    maxPoints = count;
    for (int i = 0; i < graphCount(); ++i)
        keepNewest(graph(i), count);
}

void ZRealTimeChart::setGapThreshold(double seconds)
{
    gapThreshold = seconds;
}

void ZRealTimeChart::follow()
{
    double newest = 0;
    for (int i = 0; i < graphCount(); ++i) {
        if (!graph(i)->data()->isEmpty())
            newest = qMax(newest, (graph(i)->data()->constEnd() - 1)->key);
    }
    yAxis->rescale(true);
    if (newest > secondsOnChart)
        xAxis->setRange(newest - secondsOnChart, newest);
    else
        xAxis->rescale(true);
    replot();
}
