#ifndef ZSPECTRMARKER_H
#define ZSPECTRMARKER_H

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <utility>

class QCustomPlot;
class QCPAxis;
class QCPGraph;
class QCPItemLine;
class QCPItemText;
class QCPItemTracer;
class QMouseEvent;

// What a spectrum marker shows.
enum MarkerType : int {
    Absolute = 0,    // the level at the marker's frequency
    DeltaMarker = 1, // own level minus the level of another marker
    DeltaMax = 2,    // own level minus the spectrum maximum
    Max = 3          // follows the spectrum maximum
};

// The lowest and the highest finite level of a spectrum (a level not received is NaN); both NaN
// when there is none. The chart's level axis and the markers' maximum share it.
std::pair<double, double> finiteLevelRange(const QVector<double> &levels);

// One marker on the spectrum: a vertical line at its frequency that the operator drags, an
// arrow with the frequency under the plot, its name above it and a triangle over the level.
// The chart moves it onto the spectrum's grid and asks it for its value at every refresh.
class ZSpectrMarker : public QObject
{
    Q_OBJECT

public:
    ZSpectrMarker(int num, QCustomPlot *chart, const QColor &colour, const QFont &font, int type,
                  ZSpectrMarker *reference);
    ~ZSpectrMarker() override;

    int number() const { return num; }
    int type() const { return m_type; }
    QColor colour() const { return m_colour; }
    QFont font() const { return m_font; }
    ZSpectrMarker *referenceMarker() const { return reference; }
    int referenceNumber() const { return referenceNum; }
    double markerKey() const { return key; }
    double markerLevel() const { return level; }
    double value() const { return markerValue; }
    QCPItemTracer *handleItem() const { return handle; }

    void setType(int type, ZSpectrMarker *reference);
    // Snaps the marker to the grid of keys (or onto the maximum), places its items and sends
    // its value.
    void updatePosition(const QVector<double> &keys, const QVector<double> &levels);
    // Moves the marker to the frequency under the mouse; the snap follows at the next refresh.
    void dragTo(QMouseEvent *event);

signals:
    void val(double val);

public slots:
    void recolor(bool selected);

private:
    int num;
    QCustomPlot *chart;
    int m_type = Absolute;
    QColor m_colour;
    QPointer<ZSpectrMarker> reference;
    int referenceNum = 0;
    QCPItemTracer *handle;
    QCPItemTracer *topAnchor;
    QCPItemLine *arrow;
    QCPItemLine *tick;
    QCPItemText *frequencyText;
    QCPItemText *nameText;
    QCPAxis *keyAxis;
    QCPAxis *valueAxis;
    QCPGraph *triangle;
    int index = -1;
    double level;
    double key;
    double markerValue;
    QFont m_font;
};

#endif // ZSPECTRMARKER_H
