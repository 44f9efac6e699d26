#ifndef ZCHARTTEXT_H
#define ZCHARTTEXT_H

#include <QFont>
#include <QRect>
#include <QStaticText>

#include <qcustomplot.h>

// A text on the spectrum (a corner caption, a marker's name or a part of its legend line) that
// lays its text out once and draws the prepared glyphs at every replot while text and font
// stay the same. The plain text item measures and lays out its text twice at each draw, and the
// spectrum's two dozen of them did so ten times a second.
class ZChartText : public QCPItemText
{
public:
    explicit ZChartText(QCustomPlot *chart);

protected:
    void draw(QCPPainter *painter) override;

private:
    QString m_laidText;
    QFont m_laidFont;
    QRect m_textRect;
    QStaticText m_static;
};

#endif // ZCHARTTEXT_H
