#ifndef ZRUBBERBANDZOOM_H
#define ZRUBBERBANDZOOM_H

#include <QCursor>
#include <QObject>
#include <QPixmap>
#include <QPoint>

class QCustomPlot;
class QRubberBand;

// The rubber-band zoom of a chart: a band drawn with the left button from left to right zooms
// the time axis and the value axes on the left into it; one drawn from right to left, or a
// plain click, leaves the zoom, and the chart itself decides what to show then (the strip chart
// follows the newest values again, the log viewer shows the whole day). While the band is drawn
// the pointer shows which of the two the release will do. It takes the chart's press, move and
// release events, so the chart's own mouse handling never sees them.
class ZRubberBandZoom : public QObject
{
    Q_OBJECT

public:
    enum State { Free = 0, Selecting = 1, Zoomed = 2 };

    explicit ZRubberBandZoom(QCustomPlot *chart);

    State state() const { return m_state; }
    // Forgets a zoom without a word, for a chart that has just been given other data to show.
    void reset();

signals:
    // The axes show the band; the chart has been replotted.
    void zoomedIn();
    // The operator left the zoom: the chart is to show its own view again and replot.
    void zoomLeft();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QCustomPlot *m_chart;
    QRubberBand *m_band;
    QPoint m_press;
    QPixmap m_zoomIn;
    QPixmap m_zoomOut;
    // Kept as a cursor, not as its pixmap: the pixmap of a standard cursor is empty and would
    // leave the operator with no pointer at all.
    QCursor m_normalCursor;
    State m_state = Free;
};

#endif // ZRUBBERBANDZOOM_H
