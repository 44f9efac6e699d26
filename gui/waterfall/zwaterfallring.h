#ifndef ZWATERFALLRING_H
#define ZWATERFALLRING_H

#include <QVector>
#include <QtGlobal>

#include <utility>
#include <vector>

#include "zspectrgeometry.h"

// The spectrum's history for the waterfall: one row of 2046 levels per full sweep of the
// receiver's 64 frames, the newest rows of the last half hour in a ring whose storage is taken
// once, so that a program running for weeks neither grows nor reallocates per row.
//
// Frames come one per poll, numbered 0..63 (ZSpectrGeometry places their levels); a frame whose
// number is not above the previous one starts a new sweep, and the sweep assembled so far
// becomes a row. The row being assembled starts as a copy of the last one, so a frame that went
// missing keeps the previous sweep's levels for its points. Levels are kept in hundredths of a dB: finer than anything the
// receiver resolves, half the memory of floats, and a level beyond ±327 dB is held at that bound.
class ZWaterfallRing
{
public:
    // A row per sweep of 1.76 s or slower fills half an hour; the receiver's sweep at its usual
    // pace takes about 2.7 s.
    static constexpr int DefaultCapacity = 1024;
    static constexpr qint64 SpanMs = 30 * 60 * 1000;

    explicit ZWaterfallRing(int capacity = DefaultCapacity);

    // Places the frame's levels into the sweep being assembled; a number outside 0..63 is dropped.
    // True when the frame closed a sweep, that is, a row was added: the row carries the time of the
    // last frame of its sweep, on the wall clock (`msecsSinceEpoch`, for the operator) and on a
    // clock that never jumps (`steadyMs`, for its age). Rows older than half an hour before the
    // newest are let go.
    bool addFrame(int no, const SpectrFrame &frame, qint64 msecsSinceEpoch, qint64 steadyMs);
    // Forgets every row and the sweep being assembled.
    void clear();
    // The next frame starts a sweep of its own, whatever its number: the sweep so far is
    // neither closed nor thrown away, its levels stand where no new frame comes (after a pause,
    // a row of frames from before it would carry the time after it).
    void restartSweep() { m_lastFrame = -1; }

    int count() const { return m_count; }
    int capacity() const { return m_capacity; }
    // The storage slot of the row of the given age (0 = newest); rows are written at increasing
    // slots, wrapping at the capacity.
    int slotOf(int age) const;
    qint64 timeOf(int age) const;
    // NaN where no level was ever received.
    double level(int age, int point) const;
    // The row's level at each point of the spectrum, as dBm, NaN where none.
    void rowLevels(int age, double *out) const;
    // The lowest and highest level held; both NaN when none.
    std::pair<double, double> levelRange() const;
    // How many rows half an hour takes at the pace the rows came in so far (the usual pace
    // before there are two rows), never more than the capacity nor fewer than the rows held.
    int rowsPerSpan() const;

private:
    static qint16 encode(double level);

    int m_capacity;
    std::vector<qint16> m_levels;
    std::vector<qint64> m_times;
    std::vector<qint64> m_steady;
    std::vector<qint16> m_rowMin;
    std::vector<qint16> m_rowMax;
    std::vector<qint16> m_sweep;
    int m_head = 0; // the slot the next row goes to
    int m_count = 0;
    int m_lastFrame = -1;
    qint64 m_sweepTime = 0;
    qint64 m_sweepSteady = 0;
};

#endif // ZWATERFALLRING_H
