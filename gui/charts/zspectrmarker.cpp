#include "zspectrmarker.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <limits>

#include <qcustomplot.h>

#include "zcharttext.h"

namespace {

constexpr int DarkerFactor = 170;
constexpr int StemPixels = 20;        // length of the arrow under the plot and the tick above it
constexpr int TriangleLiftPixels = 5; // the triangle hangs this far above the level

double noValue()
{
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

std::pair<double, double> finiteLevelRange(const QVector<double> &levels)
{
    double lowest = noValue(), highest = noValue();
    for (double level : levels) {
        if (!std::isfinite(level))
            continue;
        if (!(level >= lowest))
            lowest = level;
        if (!(level <= highest))
            highest = level;
    }
    return {lowest, highest};
}

ZSpectrMarker::ZSpectrMarker(int num, QCustomPlot *chart, const QColor &colour, const QFont &font,
                             int type, ZSpectrMarker *reference)
    : QObject(chart),
      num(num),
      chart(chart),
      m_colour(colour),
      keyAxis(chart->xAxis),
      valueAxis(chart->yAxis),
      level(noValue()),
      key(0),
      markerValue(noValue()),
      m_font(font)
{
    const QString overlay = QStringLiteral("overlay");
    const bool ownFont = font != QFont();
    QFont boldFont = font;
    boldFont.setBold(true);

    // The handle's vertical line marks the frequency across the plot; it is what the operator
    // picks. The top anchor is the same frequency on the top edge, where the tick hangs.
    handle = new QCPItemTracer(chart);
    handle->position->setAxes(keyAxis, valueAxis);
    handle->position->setAxisRect(chart->axisRect());
    handle->position->setTypeX(QCPItemPosition::ptPlotCoords);
    handle->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    handle->setPen(QPen(colour.darker(DarkerFactor), 1));
    handle->setSelectedPen(QPen(Qt::blue));

    topAnchor = new QCPItemTracer(chart);
    topAnchor->position->setAxes(chart->xAxis2, valueAxis);
    topAnchor->position->setAxisRect(chart->axisRect());
    topAnchor->position->setTypeX(QCPItemPosition::ptPlotCoords);
    topAnchor->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    topAnchor->setVisible(false);
    topAnchor->setSelectable(false);

    tick = new QCPItemLine(chart);
    tick->start->setParentAnchor(topAnchor->position);
    tick->start->setCoords(0, -StemPixels);
    tick->end->setParentAnchor(topAnchor->position);
    tick->end->setCoords(0, 0);
    tick->setPen(QPen(colour.darker(DarkerFactor)));
    tick->setLayer(overlay);
    tick->setClipToAxisRect(false);

    nameText = new ZChartText(chart);
    nameText->position->setParentAnchor(tick->start);
    nameText->position->setCoords(0, 0);
    nameText->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    nameText->setText(QStringLiteral("M%1").arg(num));
    nameText->setFont(boldFont);
    nameText->setColor(colour);
    nameText->setLayer(overlay);
    nameText->setClipToAxisRect(false);
    nameText->setSelectable(false);

    arrow = new QCPItemLine(chart);
    arrow->start->setParentAnchor(handle->position);
    arrow->start->setCoords(0, StemPixels);
    arrow->end->setParentAnchor(handle->position);
    arrow->end->setCoords(0, 0);
    arrow->setPen(QPen(colour));
    arrow->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 8, 10));
    arrow->setLayer(overlay);
    arrow->setClipToAxisRect(false);

    frequencyText = new ZChartText(chart);
    frequencyText->position->setParentAnchor(arrow->start);
    frequencyText->position->setCoords(0, 0);
    frequencyText->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    frequencyText->setColor(keyAxis->basePen().color());
    frequencyText->setPen(QPen(colour));
    frequencyText->setLayer(overlay);
    frequencyText->setClipToAxisRect(false);
    frequencyText->setSelectable(false);

    if (ownFont)
        frequencyText->setFont(font);

    triangle = chart->addGraph(keyAxis, valueAxis);
    triangle->setLineStyle(QCPGraph::lsNone);
    triangle->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, QPen(colour),
                                              QBrush(colour), 10));
    triangle->setSelectable(QCP::stNone);
    triangle->setLayer(overlay);

    key = keyAxis->pixelToCoord(chart->width() / 2);
    handle->position->setCoords(key, 1.0);
    topAnchor->position->setCoords(key, 0.0);

    connect(handle, &QCPItemTracer::selectionChanged, this, &ZSpectrMarker::recolor);
    setType(type, reference);
}

ZSpectrMarker::~ZSpectrMarker()
{
    // Dependants first: the texts hang on the lines, the lines on the tracers.
    chart->removeItem(frequencyText);
    chart->removeItem(nameText);
    chart->removeItem(arrow);
    chart->removeItem(tick);
    chart->removeItem(topAnchor);
    chart->removeItem(handle);
    chart->removeGraph(triangle);
}

void ZSpectrMarker::setType(int type, ZSpectrMarker *reference)
{
    m_type = type;
    if (type == DeltaMarker) {
        this->reference = reference;
        referenceNum = reference ? reference->number() : 0;
        handle->setSelectable(true);
        return;
    }
    this->reference = nullptr;
    referenceNum = 0;
    // A maximum marker goes where the maximum is: it cannot be dragged.
    handle->setSelectable(type != Max);
}

void ZSpectrMarker::updatePosition(const QVector<double> &keys, const QVector<double> &levels)
{
    const double m = finiteLevelRange(levels).second;

    if (m_type == Max) {
        index = -1;
        for (int i = 0; i < levels.size(); ++i) {
            if (levels.at(i) == m) {
                index = i;
                break;
            }
        }
    } else if (keys.isEmpty()) {
        index = -1;
    } else {
        index = int(std::lower_bound(keys.cbegin(), keys.cend(), key) - keys.cbegin());
        if (index == keys.size())
            index = keys.size() - 1;
    }
    if (index != -1) {
        key = keys.at(index);
        level = levels.value(index, noValue());
    }

    const double lift = std::abs(valueAxis->pixelToCoord(0) - valueAxis->pixelToCoord(TriangleLiftPixels));
    triangle->setData(QVector<double>{key}, QVector<double>{level + lift}, true);
    frequencyText->setText(QString::number(key, 'f', 0));
    handle->position->setCoords(key, 1.0);
    topAnchor->position->setCoords(key, 0.0);

    // Differences are taken as they are, own level minus the other, so that levels at or above
    // 0 dBm keep their sign.
    double value = noValue();
    switch (m_type) {
    case Absolute:
        value = level;
        break;
    case Max:
        value = m;
        break;
    case DeltaMax:
        value = level - m;
        break;
    case DeltaMarker:
        if (reference)
            value = level - reference->markerLevel();
        break;
    default:
        break;
    }
    markerValue = value;
    emit val(value);
}

void ZSpectrMarker::dragTo(QMouseEvent *event)
{
    key = keyAxis->pixelToCoord(qRound(event->localPos().x()));
}

void ZSpectrMarker::recolor(bool selected)
{
    if (selected) {
        const QPen pen = handle->selectedPen();
        tick->setPen(pen);
        arrow->setPen(pen);
        frequencyText->setPen(pen);
        nameText->setColor(pen.color());
        triangle->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted,
                                                  QPen(pen.color()), QBrush(pen.color()), 10));
        return;
    }
    tick->setPen(QPen(m_colour.darker(DarkerFactor)));
    nameText->setColor(m_colour);
    arrow->setPen(QPen(m_colour));
    frequencyText->setPen(QPen(m_colour));
    triangle->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted, QPen(m_colour),
                                              QBrush(m_colour), 10));
}
