// The waterfall: sweeps assembled into rows, the ring's order and its half hour, frames that do
// not fit, and the window an operator drives (pause, clear, the colour scale, the level under
// the mouse, the spectrum's markers).

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "zspectrchart.h"
#include "zspectrmarker.h"
#include "zstartup.h"
#include "zwaterfallchart.h"
#include "zwaterfallmap.h"
#include "zwaterfallring.h"
#include "zwaterfallwindow.h"

namespace {

QVector<double> flat(double level, int size = ZSpectrGeometry::LevelsPerFrame)
{
    return QVector<double>(size, level);
}

// One whole sweep at a level, frame by frame, at the given time.
void sweep(ZWaterfallRing &ring, double level, qint64 ms)
{
    for (int no = 0; no < ZSpectrGeometry::FrameCount; ++no)
        ring.addFrame(no, flat(level), ms, ms);
}

void sweep(ZWaterfallChart &chart, double level)
{
    for (int no = 0; no < ZSpectrGeometry::FrameCount; ++no)
        chart.spectrFrame(no, flat(level));
}

} // namespace

class TestZWaterfall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ZStartup::useSettingsFileIn(m_settingsDir.path()); }
    void ringKeepsNewestRowsInOrder();
    void missingFramesKeepPreviousLevels();
    void framesClipped_data();
    void framesClipped();
    void halfHourKept();
    void pictureFollowsTheRing_data();
    void pictureFollowsTheRing();
    void windowDrivenByOperator();
    void goneWhileTyping();

private:
    QTemporaryDir m_settingsDir;
};

void TestZWaterfall::ringKeepsNewestRowsInOrder()
{
    ZWaterfallRing ring(4);
    for (int i = 0; i < 7; ++i)
        sweep(ring, -100 + i, 1000 * i);
    // Sweep 6 is still being assembled: no frame after it has wrapped yet.
    QCOMPARE(ring.count(), 4);
    for (int age = 0; age < 4; ++age) {
        QCOMPARE(ring.timeOf(age), qint64(1000 * (5 - age)));
        QCOMPARE(ring.level(age, 0), -100.0 + 5 - age);
        QCOMPARE(ring.level(age, ZSpectrGeometry::PointCount - 1), -100.0 + 5 - age);
    }
    const auto [low, high] = ring.levelRange();
    QCOMPARE(low, -98.0);
    QCOMPARE(high, -95.0);
    QVERIFY(ring.addFrame(0, flat(-50), 7000, 7000));
    QCOMPARE(ring.level(0, 100), -94.0);
    ring.clear();
    QCOMPARE(ring.count(), 0);
    QVERIFY(std::isnan(ring.level(0, 0)));
    QVERIFY(!ring.addFrame(0, flat(-50), 8000, 8000));
}

void TestZWaterfall::missingFramesKeepPreviousLevels()
{
    ZWaterfallRing ring(8);
    sweep(ring, -90, 0);
    // The next sweep loses frames 10..63: the wrap comes early.
    for (int no = 0; no < 10; ++no)
        ring.addFrame(no, flat(-60), 100, 100);
    QVERIFY(ring.addFrame(0, flat(-60), 200, 200));
    QCOMPARE(ring.count(), 2);
    QCOMPARE(ring.level(0, 32 * 9 + 30), -60.0);
    QCOMPARE(ring.level(0, 32 * 10), -90.0);
    QCOMPARE(ring.level(1, 32 * 9), -90.0);
    // Before any frame reached a point, it has no level.
    ZWaterfallRing fresh(2);
    fresh.addFrame(5, flat(-70), 0, 0);
    fresh.addFrame(0, flat(-70), 0, 0);
    QVERIFY(std::isnan(fresh.level(0, 0)));
    QCOMPARE(fresh.level(0, 32 * 5), -70.0);
}

void TestZWaterfall::framesClipped_data()
{
    QTest::addColumn<int>("no");
    QTest::addColumn<QVector<double>>("frame");
    QTest::addColumn<int>("point");
    QTest::addColumn<double>("level");
    const double none = std::nan("");
    QTest::newRow("empty frame") << 2 << QVector<double>() << 63 << none;
    QTest::newRow("number beyond the sweep") << 64 << flat(-50) << 2045 << none;
    QTest::newRow("level far above") << 3 << flat(1e9) << 96 << 327.67;
    QTest::newRow("level far below") << 3 << flat(-INFINITY) << 96 << -327.67;
    QTest::newRow("no level") << 3 << flat(none) << 96 << none;
}

void TestZWaterfall::framesClipped()
{
    QFETCH(int, no);
    QFETCH(QVector<double>, frame);
    QFETCH(int, point);
    QFETCH(double, level);
    ZWaterfallChart chart;
    chart.resize(600, 400);
    chart.spectrFrame(no, frame);
    // The next sweep's first frame closes the row; after a frame that could not be placed it
    // takes a second one.
    chart.spectrFrame(0, flat(-80));
    if (chart.ring().count() == 0)
        chart.spectrFrame(0, flat(-80));
    QCOMPARE(chart.ring().count(), 1);
    const double held = chart.ring().level(0, point);
    if (std::isnan(level))
        QVERIFY2(std::isnan(held), qPrintable(QString::number(held)));
    else
        QCOMPARE(held, level);
    // Drawn whatever came: the colour scale follows even a level beyond any the receiver has.
    chart.replot();
    QVERIFY(chart.colourRange().lower < chart.colourRange().upper);
}

void TestZWaterfall::halfHourKept()
{
    ZWaterfallRing ring;
    const qint64 sweepMs = 2700;
    for (int i = 0; i < 1000; ++i)
        sweep(ring, -90, i * sweepMs);
    // 999 rows made, 30 minutes of them kept: the oldest kept is no more than half an hour
    // older than the newest.
    QVERIFY(ring.count() < ZWaterfallRing::DefaultCapacity);
    QCOMPARE(ring.count(), int(ZWaterfallRing::SpanMs / sweepMs) + 1);
    QVERIFY(ring.timeOf(0) - ring.timeOf(ring.count() - 1) <= ZWaterfallRing::SpanMs);
    QCOMPARE(ring.rowsPerSpan(), ring.count());
    // The wall clock set two hours on: the rows stay, their age runs on the steady clock.
    const int kept = ring.count();
    const qint64 steady = 1000 * sweepMs, later = steady + 2 * 3600 * 1000;
    for (int no = 0; no <= ZSpectrGeometry::FrameCount; ++no)
        ring.addFrame(no % ZSpectrGeometry::FrameCount, flat(-90), later, steady);
    QCOMPARE(ring.count(), kept);
    QCOMPARE(ring.timeOf(0), later);
}

void TestZWaterfall::pictureFollowsTheRing_data()
{
    QTest::addColumn<int>("cleared"); // sweeps made before the operator clears (0: not cleared)
    QTest::addColumn<int>("sweeps");  // sweeps made after
    QTest::addColumn<int>("stepMs");  // between sweeps

    // In each, the rows held lie on both sides of the ring's wrap.
    QTest::newRow("full") << 0 << 7 << 1;
    QTest::newRow("cleared") << 8 << 4 << 1;
    QTest::newRow("older than half an hour let go") << 0 << 6 << 20 * 60 * 1000;
}

void TestZWaterfall::pictureFollowsTheRing()
{
    // From the top, the picture shows the rows held, newest first; below them nothing, not the
    // rows cleared or let go that the ring's memory still has.
    QFETCH(int, cleared);
    QFETCH(int, sweeps);
    QFETCH(int, stepMs);
    ZWaterfallRing ring(4);
    int made = 0;
    for (; made < cleared; ++made)
        sweep(ring, -99 + 4 * made, qint64(made) * stepMs);
    if (cleared)
        ring.clear();
    for (int i = 0; i < sweeps; ++i, ++made)
        sweep(ring, -99 + 4 * made, qint64(made) * stepMs);
    QVERIFY(ring.slotOf(0) < ring.slotOf(ring.count() - 1));

    QCustomPlot plot;
    const QColor nothing(Qt::darkRed); // no grey of the gradient
    plot.setBackground(nothing);
    auto *map = new ZWaterfallMap(plot.xAxis, plot.yAxis, &ring);
    QCPColorGradient gradient(QCPColorGradient::gpGrayscale);
    map->setGradient(gradient);
    map->setDataRange(QCPRange(-100, -40));
    plot.xAxis->setRange(0, ZSpectrGeometry::pointFrequency(ZSpectrGeometry::PointCount - 1));
    plot.yAxis->setRange(0, 4);
    plot.yAxis->setRangeReversed(true);
    const QImage picture = plot.toPixmap(400, 400).toImage();
    for (int age = 0; age < 4; ++age) {
        const QPoint at(qRound(plot.xAxis->coordToPixel(ZSpectrGeometry::pointFrequency(1000))), qRound(plot.yAxis->coordToPixel(age + 0.5)));
        const QColor expected = age < ring.count() ? gradient.color(ring.level(age, 1000), QCPRange(-100, -40))
                                                   : nothing;
        QCOMPARE(QColor(picture.pixel(at)), expected);
    }
}

void TestZWaterfall::windowDrivenByOperator()
{
    ZSpectrChart spectrum;
    ZWaterfallWindow window;
    window.setSpectrum(&spectrum);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ZWaterfallChart *chart = window.chart();

    // Twenty sweeps at -90 dBm, then ten at -70.
    for (int i = 0; i < 30; ++i)
        sweep(*chart, i < 20 ? -90 : -70);
    chart->spectrFrame(0, flat(-70));
    QCOMPARE(chart->ring().count(), 30);
    QCOMPARE(chart->colourRange(), QCPRange(-90, -70));
    auto *lower = window.findChild<QDoubleSpinBox *>(QStringLiteral("lower"));
    QCOMPARE(lower->value(), -90.0);

    // The level and time under the mouse: the newest rows at the top, older ones below.
    chart->replot();
    const int x = qRound(chart->xAxis->coordToPixel(500));
    const QString newest = chart->textAt(QPoint(x, qRound(chart->yAxis->coordToPixel(5))));
    QVERIFY2(newest.contains(QStringLiteral("-70.0")) && newest.contains(QStringLiteral("500.")), qPrintable(newest));
    QVERIFY(chart->textAt(QPoint(x, qRound(chart->yAxis->coordToPixel(20)))).contains(QStringLiteral("-90.0")));
    QVERIFY(chart->textAt(QPoint(x, qRound(chart->yAxis->coordToPixel(100)))).isEmpty());

    // The operator sets the scale by hand.
    auto *follow = window.findChild<QCheckBox *>(QStringLiteral("followLevels"));
    QTest::mouseClick(follow, Qt::LeftButton);
    QVERIFY(lower->isEnabled());
    lower->setFocus();
    lower->selectAll();
    QTest::keyClicks(lower, QStringLiteral("-120"));
    QTest::keyClick(lower, Qt::Key_Return);
    QCOMPARE(chart->colourRange(), QCPRange(-120, -70));

    // Paused: sweeps are let go; cleared: nothing held.
    auto *pause = window.findChild<QPushButton *>(QStringLiteral("pause"));
    QTest::mouseClick(pause, Qt::LeftButton);
    sweep(*chart, -50);
    chart->spectrFrame(0, flat(-50));
    QCOMPARE(chart->ring().count(), 30);
    QTest::mouseClick(pause, Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("clear")), Qt::LeftButton);
    QCOMPARE(chart->ring().count(), 0);

    // A marker on the spectrum is a line on the waterfall as soon as it is made, and gone with it.
    QVERIFY(spectrum.createMarker(2, Qt::yellow, 0, 0));
    QVERIFY(chart->itemCount() == 1 && chart->item(0)->visible());
    spectrum.removeMarker(2);
    QVERIFY(!chart->item(0)->visible());
}

void TestZWaterfall::goneWhileTyping()
{
    // The window goes (with the main window, say) while the operator is still typing a scale
    // end: what was typed is applied while the window is whole.
    auto *window = new ZWaterfallWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::mouseClick(window->findChild<QCheckBox *>(QStringLiteral("followLevels")), Qt::LeftButton);
    auto *lower = window->findChild<QDoubleSpinBox *>(QStringLiteral("lower"));
    lower->setFocus();
    lower->selectAll();
    QTest::keyClicks(lower, QStringLiteral("-110"));
    QSignalSpy applied(window->chart(), &ZWaterfallChart::colourRangeChanged);
    delete window;
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.first().first().toDouble(), -110.0);
}

QTEST_MAIN(TestZWaterfall)
#include "tst_zwaterfall.moc"
