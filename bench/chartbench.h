#ifndef CHARTBENCH_H
#define CHARTBENCH_H

// What the chart benchmarks share: the spectrum they are fed and how a figure is printed.

#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>

// Frame `no` of sweep `sweep`: a carrier over noise that drifts a little from one sweep to the
// next.
inline QVector<double> driftingFrame(int no, int sweep)
{
    QVector<double> levels;
    for (int i = 0; i < 32; ++i) {
        const int point = 32 * no - 1 + i;
        const double offset = (point - 1200 - (sweep % 40)) / 25.0;
        const double noise = -95.0 + 4.0 * std::sin(point * 12.9898 + sweep * 78.233);
        levels.append(std::max(noise, -30.0 - offset * offset));
    }
    return levels;
}

// One figure beside its limit.
inline void verdict(const char *what, double value, double limit, const char *unit)
{
    std::printf("%-58s %8.3f %s  (limit %.1f %s) %s\n", what, value, unit, limit, unit,
                value <= limit ? "ok" : "OVER");
}

#endif // CHARTBENCH_H
