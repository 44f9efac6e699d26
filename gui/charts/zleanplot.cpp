#include "zleanplot.h"

#include <qcustomplot.h>

namespace ZLeanPlot {

void apply(QCustomPlot *chart)
{
    chart->setAutoAddPlottableToLegend(false);
    chart->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    chart->setPlottingHint(QCP::phImmediateRefresh, false);
    chart->setAttribute(Qt::WA_OpaquePaintEvent);
}

} // namespace ZLeanPlot
