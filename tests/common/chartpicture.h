#ifndef CHARTPICTURE_H
#define CHARTPICTURE_H

#include <QColor>
#include <QImage>
#include <QRect>

class QCPItemText;
class QCPLayerable;
class QCustomPlot;

// What a chart puts on the screen, for tests that look at it: the chart drawn offscreen at its
// own size, and the pixels one item of it is answerable for. Regions are compared, never whole
// pictures, so that a font's hinting on another machine does not fail a test.
namespace ChartPicture {

// The chart drawn as the screen shows it.
QImage render(QCustomPlot *chart);
// The smallest rectangle holding every pixel in `within` (all of them when null) in which the two
// pictures differ; empty when none.
QRect changed(const QImage &a, const QImage &b, const QRect &within = QRect());
// The chart drawn without an item or a graph of it.
QImage renderWithout(QCustomPlot *chart, QCPLayerable *part);
// The ink an item or a graph puts on the chart: the pixels that change when it is hidden.
QRect inkOf(QCustomPlot *chart, QCPLayerable *part);
// Where a text item's box (its text with the padding) belongs, from its text, font, position
// and alignment as they are now.
QRect boxOf(QCPItemText *item);
// The text alone, without the padding.
QRect textOf(QCPItemText *item);
// Whether a pixel within `rect` has the colour, each channel within `tolerance`.
bool holdsColour(const QImage &image, const QRect &rect, const QColor &colour, int tolerance = 48);

} // namespace ChartPicture

#endif // CHARTPICTURE_H
