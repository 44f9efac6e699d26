#ifndef ZSIGNALLOGCHART_H
#define ZSIGNALLOGCHART_H

#include <QVector>

#include <qcustomplot.h>

class QTextStream;
class QTimer;
class ZChartExport;
class ZRubberBandZoom;

// The signal power of one day of the log against the time of day. A rubber band drawn left to
// right zooms in, one drawn right to left shows the whole day again. The operator reads the
// lowest, highest and mean power of the span on show beside the chart; they are worked out
// again once the span has settled, not at every step of a change. Points added while following
// a growing file widen the view to take them in, unless the operator has zoomed in.
class ZSignalLogChart : public QCustomPlot
{
    Q_OBJECT

public:
    struct Statistics
    {
        int count = 0; // points in the span on show; the rest is meaningless without them
        double min = 0;
        double max = 0;
        double mean = 0;
    };

    explicit ZSignalLogChart(QWidget *parent = nullptr);

    // Shows these samples (time of day in seconds, power; in time order) in place of the ones
    // shown, the whole of them.
    void setPoints(const QVector<double> &times, const QVector<double> &powers);
    // Adds samples read since, in time order among themselves (they may come before some shown).
    void appendPoints(const QVector<double> &times, const QVector<double> &powers);
    int pointCount() const;
    bool isZoomed() const;

    Statistics statistics() const { return m_statistics; }
    // The statistics as the operator reads them.
    QString statisticsText() const;

    // The right-click menu that saves the picture or the data.
    ZChartExport *exporter() const { return m_export; }
    // The points of the span on show as CSV: time of day ("hh:mm:ss.zzz", the hours going on
    // past 23 for the lines after midnight), power.
    void writeCsv(QTextStream &out) const;

signals:
    void statisticsChanged();

private:
    void showWhole();
    void updateStatistics();

    ZRubberBandZoom *m_zoom;
    ZChartExport *m_export;
    QTimer *m_statisticsTimer;
    Statistics m_statistics;
};

#endif // ZSIGNALLOGCHART_H
