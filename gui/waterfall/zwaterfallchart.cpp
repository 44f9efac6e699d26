#include "zwaterfallchart.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QTextStream>
#include <QToolTip>

#include <cmath>

#include "zchartexport.h"
#include "zleanplot.h"
#include "zspectrgeometry.h"
#include "zwaterfallmap.h"

namespace {

const QColor Background(46, 47, 48);
const QColor Foreground(211, 215, 207);

QString clockTime(qint64 msecs, const QString &format = QStringLiteral("hh:mm:ss"))
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(format);
}

// The row axis counts rows from the newest; its ticks name the time each row came.
class RowTimeTicker : public QCPAxisTicker
{
public:
    explicit RowTimeTicker(const ZWaterfallRing *ring) : m_ring(ring) {}

protected:
    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        const int age = int(std::floor(tick));
        return age >= 0 && age < m_ring->count() ? clockTime(m_ring->timeOf(age)) : QString();
    }

private:
    const ZWaterfallRing *m_ring;
};

QCPColorGradient levelGradient()
{
    // Dark for the noise floor, through blue and green to yellow and red for the strongest
    // levels: the carrier stands out of the noise on the window's dark background.
    QCPColorGradient gradient;
    gradient.clearColorStops();
    gradient.setColorStopAt(0.0, QColor(10, 10, 40));
    gradient.setColorStopAt(0.3, QColor(30, 60, 200));
    gradient.setColorStopAt(0.55, QColor(20, 200, 160));
    gradient.setColorStopAt(0.8, QColor(240, 230, 40));
    gradient.setColorStopAt(1.0, QColor(255, 40, 20));
    gradient.setNanHandling(QCPColorGradient::nhNanColor);
    gradient.setNanColor(Background);
    return gradient;
}

void paintAxis(QCPAxis *axis)
{
    for (auto setter : {&QCPAxis::setBasePen, &QCPAxis::setTickPen, &QCPAxis::setSubTickPen})
        (axis->*setter)(QPen(Foreground));
    axis->setTickLabelColor(Foreground);
    axis->setLabelColor(Foreground);
}

} // namespace

ZWaterfallChart::ZWaterfallChart(QWidget *parent)
    : QCustomPlot(parent)
{
    m_steady.start();
    ZLeanPlot::apply(this);
    setBackground(Background);

    m_map = new ZWaterfallMap(xAxis, yAxis, &m_ring);
    m_scale = new QCPColorScale(this);
    plotLayout()->addElement(0, 1, m_scale);
    m_scale->setType(QCPAxis::atRight);
    m_scale->axis()->setLabel(tr("Уровень, дБм"));
    m_map->setColorScale(m_scale);
    m_scale->setGradient(levelGradient());
    m_scale->setDataRange(QCPRange(-100, -40));
    auto *margins = new QCPMarginGroup(this);
    axisRect()->setMarginGroup(QCP::msTop | QCP::msBottom, margins);
    m_scale->setMarginGroup(QCP::msTop | QCP::msBottom, margins);
    connect(m_scale, &QCPColorScale::dataRangeChanged, this,
            [this](const QCPRange &range) { emit colourRangeChanged(range.lower, range.upper); });

    xAxis->setRange(0, ZSpectrGeometry::pointFrequency(ZSpectrGeometry::PointCount - 1));
    xAxis->setLabel(tr("Частота, кГц"));
    yAxis->setRangeReversed(true);
    yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new RowTimeTicker(&m_ring)));
    yAxis->setLabel(tr("Время"));
    for (QCPAxis *axis : {xAxis, yAxis, m_scale->axis()})
        paintAxis(axis);
    fitRows();

    setAccessibleName(tr("Водопад"));
    m_export = new ZChartExport(this, [this](QTextStream &out) { writeCsv(out); });
    m_describeTimer.setParent(this);
    m_describeTimer.setInterval(1000);
    connect(&m_describeTimer, &QTimer::timeout, this, &ZWaterfallChart::describe);
    m_describeTimer.start();
    describe();
}

void ZWaterfallChart::spectrFrame(int no, QVector<double> frame)
{
    if (m_paused || !m_ring.addFrame(no, frame, QDateTime::currentMSecsSinceEpoch(), m_steady.elapsed()))
        return;
    m_map->colourNewestRow();
    if (m_autoRange)
        followLevels();
    fitRows();
    replot(rpQueuedReplot);
}

void ZWaterfallChart::setPaused(bool paused)
{
    if (m_paused && !paused)
        m_ring.restartSweep();
    m_paused = paused;
}

void ZWaterfallChart::clear()
{
    m_ring.clear();
    fitRows();
    replot();
}

void ZWaterfallChart::setAutoRange(bool follow)
{
    m_autoRange = follow;
    if (follow) {
        followLevels();
        replot();
    }
}

void ZWaterfallChart::setColourRange(double lower, double upper)
{
    if (!(lower < upper))
        return;
    m_autoRange = false;
    m_scale->setDataRange(QCPRange(lower, upper));
    replot();
}

QCPRange ZWaterfallChart::colourRange() const
{
    return m_scale->dataRange();
}

void ZWaterfallChart::followLevels()
{
    const auto [low, high] = m_ring.levelRange();
    if (std::isnan(low))
        return;
    // Whole dB outward: the scale, and with it every row's colours, changes only when a level
    // leaves the range, not with every sweep's noise.
    const double lower = std::floor(low);
    const double upper = std::max(std::ceil(high), lower + 1);
    if (m_scale->dataRange() != QCPRange(lower, upper))
        m_scale->setDataRange(QCPRange(lower, upper));
}

void ZWaterfallChart::fitRows()
{
    yAxis->setRange(0, m_ring.rowsPerSpan());
}

void ZWaterfallChart::setMarkerLines(const QVector<MarkerLine> &lines)
{
    if (lines == m_markerLines)
        return;
    m_markerLines = lines;
    while (m_lines.size() < lines.size()) {
        auto *line = new QCPItemStraightLine(this);
        line->setSelectable(false);
        m_lines.append(line);
    }
    for (int i = 0; i < m_lines.size(); ++i) {
        QCPItemStraightLine *line = m_lines.at(i);
        line->setVisible(i < lines.size());
        if (i >= lines.size())
            continue;
        line->point1->setCoords(lines.at(i).key, 0);
        line->point2->setCoords(lines.at(i).key, 1);
        line->setPen(QPen(lines.at(i).colour, 1, Qt::DashLine));
    }
    replot(rpQueuedReplot);
}

QString ZWaterfallChart::textAt(const QPoint &pos) const
{
    if (!axisRect()->rect().contains(pos))
        return QString();
    const int point = ZSpectrGeometry::nearestPoint(xAxis->pixelToCoord(pos.x()));
    // Inside the rectangle the age is never below 0; the top pixel may compute a hair below.
    const int age = qMax(0, int(std::floor(yAxis->pixelToCoord(pos.y()))));
    if (age >= m_ring.count())
        return QString();
    const double level = m_ring.level(age, point);
    const QString levelText = std::isnan(level) ? tr("нет уровня") : tr("%1 дБм").arg(QString::number(level, 'f', 1));
    return tr("%1 кГц: %2\n%3")
        .arg(QString::number(ZSpectrGeometry::pointFrequency(point), 'f', 1), levelText, clockTime(m_ring.timeOf(age)));
}

bool ZWaterfallChart::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QCustomPlot::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QString text = textAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void ZWaterfallChart::describe()
{
    const int rows = m_ring.count();
    const QCPRange range = colourRange();
    const QString text = rows == 0 ? tr("Нет данных")
                                   : tr("Строк: %1, с %2 по %3; шкала от %4 до %5 дБм")
                                         .arg(rows)
                                         .arg(clockTime(m_ring.timeOf(rows - 1)), clockTime(m_ring.timeOf(0)))
                                         .arg(range.lower)
                                         .arg(range.upper);
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void ZWaterfallChart::writeCsv(QTextStream &out) const
{
    out << ZChartExport::csvField(tr("Время"));
    for (int point = 0; point < ZSpectrGeometry::PointCount; ++point)
        out << ',' << QString::number(ZSpectrGeometry::pointFrequency(point), 'f', 3);
    out << '\n';
    std::vector<double> levels(ZSpectrGeometry::PointCount);
    for (int age = 0; age < m_ring.count(); ++age) {
        m_ring.rowLevels(age, levels.data());
        out << clockTime(m_ring.timeOf(age), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (double level : levels) {
            out << ',';
            if (!std::isnan(level))
                out << QString::number(level, 'f', 2);
        }
        out << '\n';
    }
}
