#ifndef ZSPECTRLEGEND_H
#define ZSPECTRLEGEND_H

#include <QObject>
#include <QPointer>
#include <QStringList>

class QCustomPlot;
class QCPItemText;
class ZSpectrMarker;

// The line in the spectrum's top left corner that names one marker, says what it measures and
// shows its value: "М2 Δ М1 -12.50".
class ZSpectrLegend : public QObject
{
    Q_OBJECT

public:
    ZSpectrLegend(QPointer<ZSpectrMarker> marker, QCustomPlot *chart);
    ~ZSpectrLegend() override;

    // Puts the line at the left edge of the plot, top pixels below the top of the chart.
    void place(int top);
    // The four parts of the line: name, kind, reference, value.
    QStringList texts() const;

private:
    void showValue(double value);

    QPointer<ZSpectrMarker> marker;
    QCustomPlot *chart;
    QCPItemText *nameText;
    QCPItemText *kindText;
    QCPItemText *referenceText;
    QCPItemText *valueText;
};

#endif // ZSPECTRLEGEND_H
