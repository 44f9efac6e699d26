#ifndef ZSPECTRCHART_H
#define ZSPECTRCHART_H

#include <QFont>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include <qcustomplot.h>

#include "ztarnvex.h"

class QTextStream;
class ZChartExport;
class ZSpectrLegend;
class ZSpectrMarker;

// The receiver's spectrum: its frames assembled into one trace of 2046 points over about
// 1000 kHz (ZSpectrGeometry), redrawn ten times a second with up to four markers and their
// legends. The level axis grows to take in every level seen since the last clear, so that the
// picture does not jump with every frame.
class ZSpectrChart : public QCustomPlot
{
    Q_OBJECT

public:
    explicit ZSpectrChart(QWidget *parent = nullptr);
    ~ZSpectrChart() override;

    // Adds a marker or changes the kind of an existing one (which keeps its colour). False when
    // nothing changes: a marker measured against itself, a difference to a missing marker, or
    // the kind the marker already has.
    bool createMarker(int num, const QColor &colour, int type, int deltaTo);
    void removeMarker(int num);
    // Forgets every level; the drawn trace stays until the next frame replaces it.
    void clear();
    // The largest level of the spectrum; NaN before any.
    double currentMax() const;
    void setGraphColor(const QColor &colour);
    void setForeground(const QColor &colour);
    QList<QPointer<ZSpectrMarker>> markers() const { return m_markers; }
    // The right-click menu that saves the picture or the data.
    ZChartExport *exporter() const { return m_export; }
    // The trace as CSV: frequency in kHz, level in dBm, and the markers at their points.
    void writeCsv(QTextStream &out) const;

signals:
    void markerVal(int no, double val);
    // A marker came, went, or stands at another frequency (dragged, or following the maximum).
    void markersChanged();

public slots:
    void spectrFrame(int no, SpectrFrame frame);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private slots:
    void updatePlot();

private:
    ZSpectrMarker *findMarker(int num) const;
    void addMarker(int num, const QColor &colour, int type, int deltaTo);
    void rebuildLegends();
    // The highest level and where it is, for a screen reader; at most once a second.
    void describe();
    void addLegend(const QPointer<ZSpectrMarker> &marker);
    // Says markersChanged when the markers' frequencies or colours differ from the last said.
    void noteMarkers();

    QTimer updateTimer;
    QTimer describeTimer;
    ZChartExport *m_export;
    QList<QPointer<ZSpectrMarker>> m_markers;
    int draggedMarker = -1;
    QList<ZSpectrLegend *> legends;
    QVector<QPair<double, QRgb>> markerPlaces;
    QCPGraph *trace;
    QCPItemText *spanText;
    QCPItemText *frequencyUnitText;
    QCPItemText *levelUnitText;
    QVector<double> levels;
    QVector<double> keys;
    double frameMax;
    double frameMin;
    double shownMax;
    double shownMin;
    double rangeMargin = 0.3;
    QFont chartFont;
};

#endif // ZSPECTRCHART_H
