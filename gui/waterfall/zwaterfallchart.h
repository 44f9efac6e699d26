#ifndef ZWATERFALLCHART_H
#define ZWATERFALLCHART_H

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>
#include <QVector>

#include <qcustomplot.h>

#include "zwaterfallring.h"

class QTextStream;
class ZChartExport;
class ZWaterfallMap;

// The waterfall: the spectrum's last half hour, a row per sweep, frequency across on the
// spectrum's axis, newest row at the top, the level as colour on a scale in dBm. The operator
// reads a level and its time under the mouse, lets the scale follow the levels held or sets it,
// pauses and clears as on the strip chart, and sees the spectrum's markers as thin lines.
class ZWaterfallChart : public QCustomPlot
{
    Q_OBJECT

public:
    struct MarkerLine
    {
        double key;
        QColor colour;
        bool operator==(const MarkerLine &other) const { return key == other.key && colour == other.colour; }
    };

    explicit ZWaterfallChart(QWidget *parent = nullptr);

    const ZWaterfallRing &ring() const { return m_ring; }
    // While paused the frames are let go and the picture stands still.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    void clear();
    // The colour scale follows the levels held (whole dB, outward) or keeps the range given.
    void setAutoRange(bool follow);
    bool isAutoRange() const { return m_autoRange; }
    // Ignored unless lower < upper.
    void setColourRange(double lower, double upper);
    QCPRange colourRange() const;
    // Lines at the markers' frequencies; replotted only when they change.
    void setMarkerLines(const QVector<MarkerLine> &lines);
    ZChartExport *exporter() const { return m_export; }
    // The rows held, newest first: the time, then a level per point.
    void writeCsv(QTextStream &out) const;
    // What is under a point of the chart: frequency, level and the row's time; empty off the rows.
    QString textAt(const QPoint &pos) const;

signals:
    // The colour scale's range changed, by the data or by the operator.
    void colourRangeChanged(double lower, double upper);

public slots:
    void spectrFrame(int no, QVector<double> frame);

protected:
    bool event(QEvent *event) override;

private:
    void followLevels();
    void fitRows();
    void describe();

    ZWaterfallRing m_ring;
    ZWaterfallMap *m_map;
    QCPColorScale *m_scale;
    QVector<QCPItemStraightLine *> m_lines;
    QVector<MarkerLine> m_markerLines;
    ZChartExport *m_export;
    QTimer m_describeTimer;
    QElapsedTimer m_steady;
    bool m_paused = false;
    bool m_autoRange = true;
};

#endif // ZWATERFALLCHART_H
