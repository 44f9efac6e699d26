#include "zspectrgeometry.h"

#include <cmath>

int ZSpectrGeometry::nearestPoint(double kHz)
{
    if (!(kHz > 0))
        return 0;
    const double point = std::round(kHz / PointSpacingKHz);
    return point >= PointCount - 1 ? PointCount - 1 : int(point);
}

int ZSpectrGeometry::peakPoint(const QVector<double> &levels)
{
    int top = -1;
    for (int i = 0; i < levels.size(); ++i) {
        if (std::isfinite(levels.at(i)) && (top < 0 || levels.at(i) > levels.at(top)))
            top = i;
    }
    return top;
}
