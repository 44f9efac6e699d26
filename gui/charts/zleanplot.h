#ifndef ZLEANPLOT_H
#define ZLEANPLOT_H

class QCustomPlot;

// The plotting library's defaults cost every chart of the program work at each replot that
// shows nothing; a chart that is replotted ten times a second (or holds a day of points) spends
// much of its time there. Each chart of the program is set up through here.
namespace ZLeanPlot {

// - Graphs are not entered in the chart's own legend: it is never shown, yet the layout
//   measures the text of every entry at each replot.
// - The overlay layer gets no buffer of its own: nothing is drawn on it, and its buffer would
//   be cleared and laid over the whole chart at every replot.
// - A replot is painted with the rest of the window at the event loop's next pass, not on its
//   own at once: that is for ranges dragged with the mouse, which no chart here allows.
// - The chart paints itself opaque, filling all of itself with its background, so that what
//   lies under it is not painted first at each repaint.
void apply(QCustomPlot *chart);

} // namespace ZLeanPlot

#endif // ZLEANPLOT_H
