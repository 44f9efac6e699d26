#include "zspectrchart.h"

#include <QMouseEvent>

#include <cmath>
#include <limits>
#include <tuple>

#include "zchartexport.h"
#include "zcharttext.h"
#include "zleanplot.h"
#include "zspectrgeometry.h"
#include "zspectrlegend.h"
#include "zspectrmarker.h"

namespace {

constexpr int LegendLinePixels = 25;

double noValue()
{
    return std::numeric_limits<double>::quiet_NaN();
}

QCPItemText *cornerText(QCustomPlot *chart, const QString &text, const QFont &font)
{
    auto *item = new ZChartText(chart);
    item->position->setType(QCPItemPosition::ptAxisRectRatio);
    item->setText(text);
    item->setFont(font);
    item->setSelectable(false);
    item->setClipToAxisRect(false);
    return item;
}

} // namespace

ZSpectrChart::ZSpectrChart(QWidget *parent)
    : QCustomPlot(parent),
      spanText(cornerText(this, tr("1000"), QFont())),
      frequencyUnitText(cornerText(this, tr("кГц"), QFont())),
      levelUnitText(cornerText(this, tr("дБм"), QFont())),
      levels(ZSpectrGeometry::PointCount, noValue()),
      keys(ZSpectrGeometry::PointCount),
      frameMax(noValue()),
      frameMin(noValue()),
      shownMax(noValue()),
      shownMin(noValue())
{
    updateTimer.setParent(this);
    updateTimer.setInterval(100);
    connect(&updateTimer, &QTimer::timeout, this, &ZSpectrChart::updatePlot);

    chartFont = font();
    chartFont.setPixelSize(15);
    setInteractions(QCP::iSelectItems);

    for (int i = 0; i < ZSpectrGeometry::PointCount; ++i)
        keys[i] = ZSpectrGeometry::pointFrequency(i);
    xAxis->setRange(keys.first(), keys.last());

    spanText->position->setCoords(1, 1);
    spanText->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    frequencyUnitText->position->setCoords(1, 1);
    frequencyUnitText->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // The unit goes right under the span value: further down it would fall below the bottom
    // edge of the chart.
    frequencyUnitText->setPadding(QMargins(0, QFontMetrics(chartFont).height(), 0, 0));
    levelUnitText->position->setCoords(0, 0);
    levelUnitText->setPadding(QMargins(3, 0, 40, 50));
    for (QCPItemText *text : {spanText, frequencyUnitText, levelUnitText})
        text->setFont(chartFont);

    axisRect()->setupFullAxesBox(true);
    ZLeanPlot::apply(this);
    xAxis->setTickLabelFont(chartFont);
    yAxis->setTickLabelFont(chartFont);
    yAxis->setRange(-90, -60);
    plotLayout()->setMargins(QMargins(0, 40, 10, 20));

    trace = addGraph();
    trace->setPen(QPen(Qt::blue));
    trace->setSelectable(QCP::stNone);
    trace->setAntialiased(false);

    updateTimer.start();

    setAccessibleName(tr("Спектр"));
    m_export = new ZChartExport(this, [this](QTextStream &out) { writeCsv(out); });
    describeTimer.setParent(this);
    describeTimer.setInterval(1000);
    connect(&describeTimer, &QTimer::timeout, this, &ZSpectrChart::describe);
    describeTimer.start();
}

void ZSpectrChart::describe()
{
    const int top = ZSpectrGeometry::peakPoint(levels);
    const QString text = top < 0 ? tr("Нет данных")
                                 : tr("Максимум %1 дБм на %2 кГц")
                                       .arg(QString::number(levels[top], 'f', 1), QString::number(keys[top], 'f', 1));
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void ZSpectrChart::writeCsv(QTextStream &out) const
{
    // Each marker named at the point it stands on.
    QMap<int, QStringList> markedAt;
    for (const QPointer<ZSpectrMarker> &marker : m_markers) {
        if (!marker)
            continue;
        markedAt[ZSpectrGeometry::nearestPoint(marker->markerKey())] << QStringLiteral("M%1").arg(marker->number());
    }
    out << ZChartExport::csvField(tr("Частота, кГц")) << ',' << ZChartExport::csvField(tr("Уровень, дБм")) << ','
        << ZChartExport::csvField(tr("Маркер")) << '\n';
    int point = 0;
    for (auto it = trace->data()->constBegin(); it != trace->data()->constEnd(); ++it, ++point) {
        out << QString::number(it->key, 'f', 3) << ','
            << (std::isfinite(it->value) ? QString::number(it->value, 'g', 7) : QString()) << ','
            << markedAt.value(point).join(QLatin1Char(' ')) << '\n';
    }
}

ZSpectrChart::~ZSpectrChart()
{
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers))
        delete marker.data();
    qDeleteAll(legends);
}

void ZSpectrChart::spectrFrame(int no, SpectrFrame frame)
{
    if (ZSpectrGeometry::placeFrame(no, frame, [this](int point, double level) { levels[point] = level; }) == 0)
        return;

    trace->setData(keys, levels, true);

    // The extremes of every level known (not only of this frame), so that the level axis takes
    // in the whole trace whatever order the frames come in.
    std::tie(frameMin, frameMax) = finiteLevelRange(levels);
}

void ZSpectrChart::updatePlot()
{
    // NaN is "none yet": a number always wins.
    shownMin = std::fmin(shownMin, frameMin);
    shownMax = std::fmax(shownMax, frameMax);
    if (!std::isnan(shownMax) && !std::isnan(shownMin)) {
        const double margin = rangeMargin * 0.5 * std::abs(shownMax - shownMin);
        yAxis->setRange(shownMin - margin, shownMax + margin);
    }

    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (!marker)
            continue;
        marker->updatePosition(keys, levels);
        emit markerVal(marker->number(), marker->value());
    }
    noteMarkers();
    replot();
}

void ZSpectrChart::noteMarkers()
{
    QVector<QPair<double, QRgb>> places;
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (marker)
            places.append({marker->markerKey(), marker->colour().rgba()});
    }
    if (places == markerPlaces)
        return;
    markerPlaces = places;
    emit markersChanged();
}

double ZSpectrChart::currentMax() const
{
    return finiteLevelRange(levels).second;
}

void ZSpectrChart::clear()
{
    levels.fill(noValue());
    frameMax = frameMin = shownMax = shownMin = noValue();
}

void ZSpectrChart::setGraphColor(const QColor &colour)
{
    trace->setPen(QPen(colour));
}

void ZSpectrChart::setForeground(const QColor &colour)
{
    auto recoloured = [&colour](QPen pen) {
        pen.setColor(colour);
        return pen;
    };
    const QList<QCPAxis *> axes = axisRect()->axes();
    for (QCPAxis *axis : axes) {
        axis->setBasePen(recoloured(axis->basePen()));
        axis->setTickPen(recoloured(axis->tickPen()));
        axis->setSubTickPen(recoloured(axis->subTickPen()));
        axis->setTickLabelColor(colour);
        axis->setLabelColor(colour);
    }
    for (QCPItemText *text : {spanText, frequencyUnitText, levelUnitText})
        text->setColor(colour);
}

ZSpectrMarker *ZSpectrChart::findMarker(int num) const
{
    for (const QPointer<ZSpectrMarker> &marker : m_markers) {
        if (marker && marker->number() == num)
            return marker;
    }
    return nullptr;
}

bool ZSpectrChart::createMarker(int num, const QColor &colour, int type, int deltaTo)
{
    if (num == deltaTo)
        return false;

    ZSpectrMarker *marker = findMarker(num);
    if (!marker) {
        const int before = m_markers.size();
        addMarker(num, colour, type, deltaTo);
        rebuildLegends();
        return m_markers.size() > before;
    }

    if (type == DeltaMarker) {
        ZSpectrMarker *reference = findMarker(deltaTo);
        // A difference whose reference was removed may be tied to a new marker of that number.
        const bool same = marker->type() == DeltaMarker && marker->referenceMarker()
                          && marker->referenceNumber() == deltaTo;
        if (same || !reference)
            return false;
        marker->setType(DeltaMarker, reference);
    } else {
        if (marker->type() == type)
            return false;
        marker->setType(type, nullptr);
    }
    rebuildLegends();
    return true;
}

void ZSpectrChart::addMarker(int num, const QColor &colour, int type, int deltaTo)
{
    ZSpectrMarker *reference = nullptr;
    if (type == DeltaMarker) {
        reference = findMarker(deltaTo);
        if (!reference)
            return;
    }
    auto *marker = new ZSpectrMarker(num, this, colour, chartFont, type, reference);
    connect(marker->handleItem(), &QCPItemTracer::selectionChanged, this, [this, num](bool selected) {
        if (selected)
            draggedMarker = num;
    });
    m_markers.append(marker);
}

void ZSpectrChart::removeMarker(int num)
{
    for (auto it = m_markers.begin(); it != m_markers.end();) {
        if (*it && (*it)->number() == num) {
            delete it->data();
            it = m_markers.erase(it);
        } else {
            ++it;
        }
    }
    rebuildLegends();
}

void ZSpectrChart::rebuildLegends()
{
    qDeleteAll(legends);
    legends.clear();
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers))
        addLegend(marker);
    noteMarkers();
}

void ZSpectrChart::addLegend(const QPointer<ZSpectrMarker> &marker)
{
    auto *legend = new ZSpectrLegend(marker, this);
    legend->place(LegendLinePixels * legends.size());
    legends.append(legend);
}

void ZSpectrChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (!marker)
            continue;
        // The handle's crosshair also runs along the bottom axis; only its vertical line, the
        // marker's frequency, picks the marker, so that a click near the axis moves nothing.
        QCPItemTracer *handle = marker->handleItem();
        const double distance = handle->selectTest(event->localPos(), true);
        const double across = std::abs(event->localPos().x() - handle->position->pixelPosition().x());
        if (distance >= 0 && distance < selectionTolerance() && across < selectionTolerance()) {
            handle->setSelected(true);
            return;
        }
    }
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (marker)
            marker->handleItem()->setSelected(false);
    }
    draggedMarker = -1;
}

void ZSpectrChart::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || draggedMarker == -1)
        return;
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (marker && marker->number() == draggedMarker)
            marker->dragTo(event);
    }
}

void ZSpectrChart::mouseReleaseEvent(QMouseEvent *)
{
    for (const QPointer<ZSpectrMarker> &marker : qAsConst(m_markers)) {
        if (marker)
            marker->handleItem()->setSelected(false);
    }
    draggedMarker = -1;
}
