// Where a frame's levels land among the spectrum's 2046 points, for every kind of frame the
// device may send: the spectrum chart, the waterfall and anything measuring the spectrum place
// levels through this one rule.

#include <QtTest>

#include <cmath>

#include "zspectrgeometry.h"

class TestZSpectrGeometry : public QObject
{
    Q_OBJECT

private slots:
    void placeFrame_data();
    void placeFrame();
    void nearestPointAndPeak();
};

void TestZSpectrGeometry::placeFrame_data()
{
    QTest::addColumn<int>("no");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("firstPoint"); // -1: nothing placed
    QTest::addColumn<int>("lastPoint");
    QTest::addColumn<int>("firstLevel"); // index in the frame of the level at firstPoint

    QTest::newRow("frame 0 drops its first level") << 0 << 32 << 0 << 30 << 1;
    QTest::newRow("frame 63 drops its last level") << 63 << 32 << 2015 << 2045 << 0;
    QTest::newRow("frame 5") << 5 << 32 << 159 << 190 << 0;
    QTest::newRow("40 levels in frame 5: the rest belong to no point") << 5 << 40 << 159 << 190 << 0;
    QTest::newRow("40 levels in frame 63") << 63 << 40 << 2015 << 2045 << 0;
    QTest::newRow("3 levels in frame 2") << 2 << 3 << 63 << 65 << 0;
    QTest::newRow("empty frame 0") << 0 << 0 << -1 << -1 << 0;
    QTest::newRow("frame 64") << 64 << 32 << -1 << -1 << 0;
    QTest::newRow("frame 255") << 255 << 32 << -1 << -1 << 0;
    QTest::newRow("frame -1") << -1 << 32 << -1 << -1 << 0;
}

void TestZSpectrGeometry::placeFrame()
{
    QFETCH(int, no);
    QFETCH(int, size);
    QFETCH(int, firstPoint);
    QFETCH(int, lastPoint);
    QFETCH(int, firstLevel);

    SpectrFrame frame(size);
    for (int i = 0; i < size; ++i)
        frame[i] = i;
    QVector<double> levels(ZSpectrGeometry::PointCount, std::nan(""));
    const int placed = ZSpectrGeometry::placeFrame(no, frame, [&levels](int point, double level) {
        QVERIFY(std::isnan(levels.at(point)));
        levels[point] = level;
    });
    QCOMPARE(placed, firstPoint < 0 ? 0 : lastPoint - firstPoint + 1);
    for (int p = 0; p < levels.size(); ++p) {
        const bool inside = firstPoint >= 0 && p >= firstPoint && p <= lastPoint;
        QVERIFY2(std::isnan(levels.at(p)) != inside, qPrintable(QString::number(p)));
        if (inside)
            QCOMPARE(levels.at(p), double(firstLevel + p - firstPoint));
    }
}

void TestZSpectrGeometry::nearestPointAndPeak()
{
    QCOMPARE(ZSpectrGeometry::nearestPoint(ZSpectrGeometry::pointFrequency(1000) + 0.2), 1000);
    QCOMPARE(ZSpectrGeometry::nearestPoint(ZSpectrGeometry::pointFrequency(1000) - 0.2), 1000);
    QCOMPARE(ZSpectrGeometry::nearestPoint(-5), 0);
    QCOMPARE(ZSpectrGeometry::nearestPoint(std::nan("")), 0);
    QCOMPARE(ZSpectrGeometry::nearestPoint(5000), ZSpectrGeometry::PointCount - 1);

    QVector<double> levels(ZSpectrGeometry::PointCount, std::nan(""));
    QCOMPARE(ZSpectrGeometry::peakPoint(levels), -1);
    levels[7] = -80;
    levels[900] = INFINITY;
    levels[1200] = -60;
    levels[1300] = -60;
    // The first of equal highest levels; an infinity is no level.
    QCOMPARE(ZSpectrGeometry::peakPoint(levels), 1200);
}

QTEST_GUILESS_MAIN(TestZSpectrGeometry)
#include "tst_zspectrgeometry.moc"
