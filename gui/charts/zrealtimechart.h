#ifndef ZREALTIMECHART_H
#define ZREALTIMECHART_H

#include <QElapsedTimer>
#include <QPen>
#include <QTimer>

#include <qcustomplot.h>

class QTextStream;
class ZChartExport;
class ZRubberBandZoom;

// The strip chart under the spectrum: float signals of the device (signal power, output voltage)
// against the time they arrived, one graph per signal. The time axis follows the newest value
// over a window of a few seconds; a silence longer than the gap threshold breaks the lines, so
// that an operator sees when the receiver went quiet. A rubber band drawn left to right zooms
// in; one drawn right to left returns to following.
class ZRealTimeChart : public QCustomPlot
{
    Q_OBJECT

public:
    // One fed graph. The connection that feeds it goes with the record.
    class ZLoopValue
    {
    public:
        ZLoopValue(int id, int graphIndex) : id(id), graphIndex(graphIndex) {}
        virtual ~ZLoopValue() { QObject::disconnect(connection); }

        int id;
        int graphIndex;
        QMetaObject::Connection connection;
        // Oldest points dropped since the graph's storage was last compacted.
        int trimmed = 0;
    };

    explicit ZRealTimeChart(QWidget *parent = nullptr);
    ~ZRealTimeChart() override;

    // Feeds a new graph drawn with pen from a signal with one float argument; returns the
    // source's id for removeSource. The sender must live in the GUI thread.
    template <typename Sender, typename Signal>
    int addSource(const Sender *sender, Signal signal, const QPen &pen)
    {
        ZLoopValue *record = newSource(pen);
        record->connection = connect(sender, signal, sender,
                                     [this, record](float val) { addValue(record->graphIndex, val); },
                                     Qt::DirectConnection);
        return record->id;
    }
    // Removes the source and its graph; an id no source has changes nothing.
    void removeSource(int id);
    // What the source's values are, as a column heading and for a screen reader ("P сигнала, дБм").
    void setSourceName(int id, const QString &name);

    void setSecondsOnChart(int seconds);
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    void clear();
    void setMaxPoints(int count);
    void setGapThreshold(double seconds);
    // The right-click menu that saves the picture or the data.
    ZChartExport *exporter() const { return m_export; }
    // The points in the time span on show as CSV: time in seconds, then one column per graph.
    void writeCsv(QTextStream &out) const;

signals:
    void fps(int fps);
    void poinsStored(int count);

public slots:
    void addValue(int graphIndex, float val);

protected:
    // Milliseconds on a clock that never goes back and never wraps; the chart's time keys are
    // measured on it, so a chart left running for days or across a change of the wall clock
    // keeps its points in order.
    virtual qint64 monotonicMs() const;

private:
    ZLoopValue *newSource(const QPen &pen);
    // Drops the oldest points of the graph until it holds at most count points.
    static void keepNewest(QCPGraph *graph, int count);
    // Counts points dropped from the front of a graph and compacts its storage now and then.
    void noteTrimmed(int graphIndex, int count);
    // The newest value of each graph, for a screen reader; at most once a second.
    void describe();
    // Back from a zoom: the newest values again, over the window's seconds.
    void follow();

    QList<ZLoopValue *> sources;
    double lastKey = 0;
    QElapsedTimer monotonic;
    qint64 clockStart = -1; // monotonic ms of the key 0; -1 while the clock is not started
    double gapThreshold = 0.5;
    int secondsOnChart = 10;
    int maxPoints = 10000;
    bool m_paused = false;
    ZRubberBandZoom *zoom;
    QTimer *describeTimer;
    ZChartExport *m_export;
};

#endif // ZREALTIMECHART_H
