#include "zwaterfallmap.h"

#include <array>

#include "zwaterfallring.h"

ZWaterfallMap::ZWaterfallMap(QCPAxis *keyAxis, QCPAxis *valueAxis, const ZWaterfallRing *ring)
    : QCPColorMap(keyAxis, valueAxis),
      m_ring(ring),
      m_image(ZSpectrGeometry::PointCount, ring->capacity(), QImage::Format_RGB32)
{
    m_image.fill(Qt::black);
    // The grid itself is never drawn; it only tells the axes what the map covers.
    data()->setSize(2, 2);
    data()->setRange(QCPRange(0, ZSpectrGeometry::pointFrequency(ZSpectrGeometry::PointCount - 1)),
                     QCPRange(0, ring->capacity()));
    setInterpolate(false);
    connect(this, &QCPColorMap::dataRangeChanged, this, &ZWaterfallMap::recolourAll);
    connect(this, &QCPColorMap::gradientChanged, this, &ZWaterfallMap::recolourAll);
}

void ZWaterfallMap::colourNewestRow()
{
    if (m_ring->count() > 0)
        colourRow(0);
}

void ZWaterfallMap::recolourAll()
{
    for (int age = 0; age < m_ring->count(); ++age)
        colourRow(age);
}

void ZWaterfallMap::colourRow(int age)
{
    // A colour range of no width would divide by zero in the gradient.
    if (!(mDataRange.size() > 0))
        return;
    std::array<double, ZSpectrGeometry::PointCount> levels;
    m_ring->rowLevels(age, levels.data());
    // Levels beyond the range take the colour of its end: the gradient is not periodic.
    mGradient.colorize(levels.data(), mDataRange, reinterpret_cast<QRgb *>(m_image.scanLine(imageRow(age))),
                       ZSpectrGeometry::PointCount);
}

int ZWaterfallMap::imageRow(int age) const
{
    // Slots count up as rows come and ages count down from the newest; the image holds slot s
    // at row capacity-1-s, so that older rows lie further down the image, as on the screen.
    return m_ring->capacity() - 1 - m_ring->slotOf(age);
}

void ZWaterfallMap::draw(QCPPainter *painter)
{
    const int count = m_ring->count();
    if (count == 0 || !mKeyAxis || !mValueAxis)
        return;
    // Each point's cell is centred on its frequency; each row's on its age plus a half.
    const double half = ZSpectrGeometry::PointSpacingKHz / 2;
    const double left = mKeyAxis->coordToPixel(-half);
    const double right = mKeyAxis->coordToPixel(ZSpectrGeometry::pointFrequency(ZSpectrGeometry::PointCount - 1) + half);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);

    // Ages 0, 1, 2 ... sit at image rows going down (see imageRow); the ring's wrap splits
    // them into at most two runs, each drawn straight from the image without a copy.
    int age = 0;
    while (age < count) {
        const int row = imageRow(age);
        const int rows = qMin(count - age, m_ring->capacity() - row);
        const double top = mValueAxis->coordToPixel(age);
        const double bottom = mValueAxis->coordToPixel(age + rows);
        const QRectF target(QPointF(left, qRound(top)), QPointF(right, qRound(bottom)));
        painter->drawImage(target.normalized(), m_image, QRectF(0, row, ZSpectrGeometry::PointCount, rows));
        age += rows;
    }
}
