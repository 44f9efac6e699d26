#ifndef ZSPECTRGEOMETRY_H
#define ZSPECTRGEOMETRY_H

#include <QVector>

// One slice of the receiver's spectrum: 32 levels in dB, as the status reply carries them. The
// frame's number travels beside it (ZTarnVex::spectrFrame).
typedef QVector<double> SpectrFrame;

// How the receiver lays out its spectrum: 64 frames of 32 levels tile 2046 points, 0.488 kHz
// apart from the start of the band. Frame k covers points 32k-1 ... 32k+30, so frame 0 has no
// point for its first level and frame 63 none for its last. A frame is 32 levels: a longer one
// (a damaged or foreign reply) has no point for the rest, and a number outside 0..63 (the
// device sends a byte) places nothing. Everything that draws, keeps or measures the spectrum
// places levels through here, so that all of them agree on where a level lies.
class ZSpectrGeometry
{
public:
    static constexpr int PointCount = 2046;
    static constexpr int FrameCount = 64;
    static constexpr int LevelsPerFrame = 32;
    static constexpr double PointSpacingKHz = 0.488;

    // The point of a frame's first level (-1 for frame 0).
    static constexpr int firstPoint(int frame) { return LevelsPerFrame * frame - 1; }
    // A point's frequency above the start of the band, kHz.
    static constexpr double pointFrequency(int point) { return point * PointSpacingKHz; }
    // The point nearest to a frequency above the start of the band, held within the spectrum.
    static int nearestPoint(double kHz);

    // Calls place(point, level) for each of the frame's levels that has a point; returns how
    // many were placed.
    template <typename Place>
    static int placeFrame(int no, const SpectrFrame &frame, Place place)
    {
        if (no < 0 || no >= FrameCount)
            return 0;
        const int first = firstPoint(no);
        const int levels = frame.size() < LevelsPerFrame ? frame.size() : LevelsPerFrame;
        int placed = 0;
        for (int i = 0; i < levels; ++i) {
            const int point = first + i;
            if (point < 0 || point >= PointCount)
                continue;
            place(point, frame.at(i));
            ++placed;
        }
        return placed;
    }

    // The point of the highest level among `levels` (a whole spectrum), NaN and infinities
    // left out; -1 when there is none.
    static int peakPoint(const QVector<double> &levels);
};

#endif // ZSPECTRGEOMETRY_H
