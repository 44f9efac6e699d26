#include "zwaterfallring.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A point no frame has reached yet.
constexpr qint16 NoLevel = std::numeric_limits<qint16>::min();
constexpr double UsualSweepMs = 2700;

} // namespace

ZWaterfallRing::ZWaterfallRing(int capacity)
    : m_capacity(qMax(capacity, 1)),
      m_levels(size_t(m_capacity) * ZSpectrGeometry::PointCount, NoLevel),
      m_times(size_t(m_capacity), 0),
      m_steady(size_t(m_capacity), 0),
      m_rowMin(size_t(m_capacity), NoLevel),
      m_rowMax(size_t(m_capacity), NoLevel),
      m_sweep(ZSpectrGeometry::PointCount, NoLevel)
{
}

qint16 ZWaterfallRing::encode(double level)
{
    if (std::isnan(level))
        return NoLevel;
    return qint16(std::lround(std::clamp(level * 100.0, -32767.0, 32767.0)));
}

bool ZWaterfallRing::addFrame(int no, const SpectrFrame &frame, qint64 msecsSinceEpoch, qint64 steadyMs)
{
    if (no < 0 || no >= ZSpectrGeometry::FrameCount)
        return false;

    bool added = false;
    if (m_lastFrame >= 0 && no <= m_lastFrame) {
        qint16 *row = m_levels.data() + size_t(m_head) * ZSpectrGeometry::PointCount;
        std::copy(m_sweep.cbegin(), m_sweep.cend(), row);
        qint16 low = NoLevel;
        qint16 high = NoLevel;
        for (int i = 0; i < ZSpectrGeometry::PointCount; ++i) {
            if (row[i] == NoLevel)
                continue;
            low = low == NoLevel ? row[i] : std::min(low, row[i]);
            high = std::max(high, row[i]);
        }
        m_rowMin[size_t(m_head)] = low;
        m_rowMax[size_t(m_head)] = high;
        m_times[size_t(m_head)] = m_sweepTime;
        m_steady[size_t(m_head)] = m_sweepSteady;
        m_head = (m_head + 1) % m_capacity;
        m_count = std::min(m_count + 1, m_capacity);
        // By the clock that never jumps: a wall clock set forward would otherwise age every row
        // out at once, one set back none.
        while (m_count > 1 && m_steady[size_t(slotOf(m_count - 1))] < m_sweepSteady - SpanMs)
            --m_count;
        added = true;
    }

    ZSpectrGeometry::placeFrame(no, frame, [this](int point, double level) { m_sweep[size_t(point)] = encode(level); });
    m_lastFrame = no;
    m_sweepTime = msecsSinceEpoch;
    m_sweepSteady = steadyMs;
    return added;
}

void ZWaterfallRing::clear()
{
    std::fill(m_sweep.begin(), m_sweep.end(), NoLevel);
    m_count = 0;
    m_lastFrame = -1;
}

int ZWaterfallRing::slotOf(int age) const
{
    return ((m_head - 1 - age) % m_capacity + m_capacity) % m_capacity;
}

qint64 ZWaterfallRing::timeOf(int age) const
{
    return m_times[size_t(slotOf(age))];
}

double ZWaterfallRing::level(int age, int point) const
{
    if (age < 0 || age >= m_count || point < 0 || point >= ZSpectrGeometry::PointCount)
        return std::numeric_limits<double>::quiet_NaN();
    const qint16 value = m_levels[size_t(slotOf(age)) * ZSpectrGeometry::PointCount + size_t(point)];
    return value == NoLevel ? std::numeric_limits<double>::quiet_NaN() : value / 100.0;
}

void ZWaterfallRing::rowLevels(int age, double *out) const
{
    const qint16 *row = m_levels.data() + size_t(slotOf(age)) * ZSpectrGeometry::PointCount;
    for (int i = 0; i < ZSpectrGeometry::PointCount; ++i)
        out[i] = row[i] == NoLevel ? std::numeric_limits<double>::quiet_NaN() : row[i] / 100.0;
}

std::pair<double, double> ZWaterfallRing::levelRange() const
{
    qint16 low = NoLevel;
    qint16 high = NoLevel;
    for (int age = 0; age < m_count; ++age) {
        const size_t slot = size_t(slotOf(age));
        if (m_rowMin[slot] == NoLevel)
            continue;
        low = low == NoLevel ? m_rowMin[slot] : std::min(low, m_rowMin[slot]);
        high = std::max(high, m_rowMax[slot]);
    }
    if (low == NoLevel)
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    return {low / 100.0, high / 100.0};
}

int ZWaterfallRing::rowsPerSpan() const
{
    double period = UsualSweepMs;
    const qint64 newest = m_steady[size_t(slotOf(0))];
    const qint64 oldest = m_steady[size_t(slotOf(m_count - 1))];
    if (m_count >= 2 && newest > oldest)
        period = double(newest - oldest) / (m_count - 1);
    const int rows = int(std::ceil(double(SpanMs) / period));
    return std::clamp(rows, std::max(m_count, 1), m_capacity);
}
