// The strip chart: time keys, breaks, pause, the following window, rubber-band zoom, sources and
// the point cap. Most cases run on a stepped clock so that a busy machine cannot turn a 0.2 s
// feed into a break.

#include <QRubberBand>
#include <QTextStream>
#include <QtTest>

#include <cmath>

#include "chartpicture.h"
#include "mousedrag.h"
#include "zrealtimechart.h"

namespace {

class SteppedChart : public ZRealTimeChart
{
public:
    qint64 now = 1000000;

protected:
    qint64 monotonicMs() const override { return now; }
};

class Feed : public QObject
{
    Q_OBJECT
signals:
    void value(float val);
};

QVector<double> keysOf(QCPGraph *graph, bool breaks)
{
    QVector<double> keys;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it) {
        if (std::isnan(it->value) == breaks)
            keys.append(it->key);
    }
    return keys;
}

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}

} // namespace

class TestZRealTimeChart : public QObject
{
    Q_OBJECT

private slots:
    void firstKeyAndFollowingWindow();
    void breaks_data();
    void breaks();
    void rubberBand_data();
    void rubberBand();
    void sourceIds_data();
    void sourceIds();
    void removalKeepsTheOtherSourceOnItsGraph();
    void dataSavedForTheSpanShown();
    void pointCapHoldsAcrossBreaks();
    void monotonicClockStartsAtFirstValue();
};

void TestZRealTimeChart::firstKeyAndFollowingWindow()
{
    SteppedChart chart;
    chart.resize(930, 300);
    Feed feed;
    chart.addSource(&feed, &Feed::value, QPen(Qt::red));
    for (int ms = 0; ms <= 15000; ms += 100) {
        chart.now += ms == 0 ? 0 : 100;
        emit feed.value(float(ms % 700) / 100.0f);
        const double t = ms / 1000.0;
        if (ms == 0)
            QCOMPARE(chart.graph(0)->data()->constBegin()->key, 0.0);
        // The axes fit the data until ten seconds have passed, then show the last ten.
        const QCPRange range = chart.xAxis->range();
        if (t > 0 && t < 10) {
            QVERIFY2(near(range.lower, 0) && near(range.upper, t), qPrintable(QString::number(t)));
        } else if (t > 10) {
            QVERIFY2(near(range.lower, t - 10) && near(range.upper, t), qPrintable(QString::number(t)));
        }
    }
    QCOMPARE(chart.xAxis2->range(), chart.xAxis->range());
    QVERIFY(chart.yAxis->range().contains(0.0) && chart.yAxis->range().contains(6.0));
}

void TestZRealTimeChart::breaks_data()
{
    QTest::addColumn<int>("periodA");
    QTest::addColumn<int>("periodB"); // 0: no second graph
    QTest::addColumn<int>("pauseFrom");
    QTest::addColumn<int>("pauseTo");
    QTest::addColumn<QVector<double>>("breaksA"); // keys of the NaN points of graph A

    QTest::newRow("0.7 s apart") << 700 << 0 << -1 << -1 << QVector<double>{0, 0.7, 0.7, 1.4, 1.4, 2.1};
    QTest::newRow("0.4 s apart") << 400 << 0 << -1 << -1 << QVector<double>{};
    // The silence is measured chart-wide: a slow graph beside a fast one never breaks.
    QTest::newRow("0.7 s beside 0.2 s") << 700 << 200 << -1 << -1 << QVector<double>{};
    QTest::newRow("paused 5 s") << 100 << 0 << 1000 << 6000 << QVector<double>{1.0, 6.0};
}

void TestZRealTimeChart::breaks()
{
    QFETCH(int, periodA);
    QFETCH(int, periodB);
    QFETCH(int, pauseFrom);
    QFETCH(int, pauseTo);
    QFETCH(QVector<double>, breaksA);

    SteppedChart chart;
    Feed a, b;
    chart.addSource(&a, &Feed::value, QPen(Qt::red));
    chart.addSource(&b, &Feed::value, QPen(Qt::blue));
    const qint64 start = chart.now;
    for (int ms = 0; ms <= 2100 || ms <= pauseTo; ms += 100) {
        chart.now = start + ms;
        chart.setPaused(ms > pauseFrom && ms < pauseTo);
        if (ms % periodA == 0)
            emit a.value(1.0f);
        if (periodB && ms % periodB == 0)
            emit b.value(2.0f);
    }
    const QVector<double> found = keysOf(chart.graph(0), true);
    QCOMPARE(found.size(), breaksA.size());
    for (int i = 0; i < found.size(); ++i)
        QVERIFY2(near(found.at(i), breaksA.at(i)), qPrintable(QString::number(found.at(i))));
    QVERIFY(keysOf(chart.graph(1), true).isEmpty());

    // On the screen: no line across the middle of a break, a line between values without one.
    const QVector<double> keys = keysOf(chart.graph(0), false);
    chart.resize(600, 300);
    chart.xAxis->setRange(keys.first(), keys.last());
    chart.yAxis->setRange(0, 3);
    const QImage shown = ChartPicture::render(&chart);
    const QImage without = ChartPicture::renderWithout(&chart, chart.graph(0));
    const QRect plot = chart.axisRect()->rect();
    double previous = std::nan("");
    bool broken = false;
    for (auto it = chart.graph(0)->data()->constBegin(); it != chart.graph(0)->data()->constEnd(); ++it) {
        if (std::isnan(it->value)) {
            broken = true;
            continue;
        }
        if (!std::isnan(previous) && it->key > previous) {
            const int x = qRound(chart.xAxis->coordToPixel((previous + it->key) / 2));
            QVERIFY2(ChartPicture::changed(shown, without, QRect(x, plot.top(), 1, plot.height())).isEmpty() == broken,
                     qPrintable(QString::number(it->key)));
        }
        previous = it->key;
        broken = false;
    }
    // Nothing that arrived during the pause is kept.
    for (double key : keysOf(chart.graph(0), false))
        QVERIFY(pauseFrom < 0 || key <= pauseFrom / 1000.0 || key >= pauseTo / 1000.0);
}

void TestZRealTimeChart::rubberBand_data()
{
    QTest::addColumn<int>("fromX");
    QTest::addColumn<int>("toX");
    QTest::addColumn<bool>("zoomed");
    QTest::newRow("left to right zooms in") << 300 << 600 << true;
    QTest::newRow("right to left follows again") << 600 << 300 << false;
    QTest::newRow("a click follows again") << 400 << 400 << false;
}

void TestZRealTimeChart::rubberBand()
{
    QFETCH(int, fromX);
    QFETCH(int, toX);
    QFETCH(bool, zoomed);

    SteppedChart chart;
    chart.resize(930, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    Feed feed;
    chart.addSource(&feed, &Feed::value, QPen(Qt::red));
    for (int i = 0; i <= 150; ++i, chart.now += 100)
        emit feed.value(float(i % 10));

    // Zoomed in first, so that the drag under test also shows how it leaves a zoom.
    auto drag = [&chart](int x0, int x1) {
        pressAndMove(&chart, QPoint(x0, 80), QPoint(x1, 200));
        QVERIFY(chart.findChild<QRubberBand *>()->isVisible());
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(x1, 200));
        QVERIFY(!chart.findChild<QRubberBand *>()->isVisible());
    };
    drag(100, 800);
    const QCPRange band(chart.xAxis->pixelToCoord(fromX), chart.xAxis->pixelToCoord(toX));
    drag(fromX, toX);

    const QCPRange range = chart.xAxis->range();
    for (int i = 0; i < 20; ++i, chart.now += 100)
        emit feed.value(3.0f);
    if (zoomed) {
        QVERIFY(near(range.lower, band.lower) && near(range.upper, band.upper));
        QCOMPARE(chart.xAxis->range(), range); // new values do not scroll a zoomed chart
    } else {
        QVERIFY(near(chart.xAxis->range().upper, 17.0) && near(chart.xAxis->range().size(), 10.0));
    }
}

void TestZRealTimeChart::sourceIds_data()
{
    QTest::addColumn<int>("added");
    QTest::addColumn<QList<int>>("removed");
    QTest::addColumn<int>("nextId");
    QTest::newRow("0,1 -> 2") << 2 << QList<int>{} << 2;
    QTest::newRow("1 left -> 0") << 2 << QList<int>{0} << 0;
    QTest::newRow("0,2 -> 1") << 3 << QList<int>{1} << 1;
    QTest::newRow("0,2,4 -> 3, the last gap") << 5 << QList<int>{1, 3} << 3;
    QTest::newRow("unknown id removes nothing") << 2 << QList<int>{7} << 2;
}

void TestZRealTimeChart::sourceIds()
{
    QFETCH(int, added);
    QFETCH(QList<int>, removed);
    QFETCH(int, nextId);

    SteppedChart chart;
    Feed feed;
    for (int i = 0; i < added; ++i)
        QCOMPARE(chart.addSource(&feed, &Feed::value, QPen()), i);
    for (int id : removed)
        chart.removeSource(id);
    QCOMPARE(chart.addSource(&feed, &Feed::value, QPen()), nextId);
}

void TestZRealTimeChart::removalKeepsTheOtherSourceOnItsGraph()
{
    SteppedChart chart;
    Feed power, voltage;
    const int powerId = chart.addSource(&power, &Feed::value, QPen(Qt::red));
    const int voltageId = chart.addSource(&voltage, &Feed::value, QPen(Qt::blue));
    emit power.value(-40.0f);
    chart.removeSource(powerId);
    QCOMPARE(chart.graphCount(), 1);
    QCOMPARE(chart.graph(0)->pen().color(), QColor(Qt::blue));

    emit power.value(-41.0f); // disconnected with its source
    chart.now += 100;
    emit voltage.value(3.3f);
    QCOMPARE(chart.graph(0)->dataCount(), 1);
    QCOMPARE(chart.graph(0)->data()->constBegin()->value, double(3.3f));

    // With the last source gone, time starts again from 0 with the next value.
    chart.removeSource(voltageId);
    chart.addSource(&power, &Feed::value, QPen());
    chart.now += 5000;
    emit power.value(-42.0f);
    QCOMPARE(chart.graph(0)->data()->constBegin()->key, 0.0);
}

// Side by side at the moments they came, an empty field where a graph has no value; only what
// the time axis shows.
void TestZRealTimeChart::dataSavedForTheSpanShown()
{
    SteppedChart chart;
    Feed power, voltage;
    chart.setSourceName(chart.addSource(&power, &Feed::value, QPen()), QStringLiteral("P сигнала, дБм"));
    chart.setSourceName(chart.addSource(&voltage, &Feed::value, QPen()), QStringLiteral("U"));
    for (int i = 0; i < 30; ++i) {
        emit power.value(-40.0f - i);
        if (i % 2 == 0)
            emit voltage.value(float(i));
        chart.now += 400; // 12 s in all, 10 s on show
    }
    QString csv;
    QTextStream out(&csv);
    chart.writeCsv(out);
    out.flush();
    const QStringList lines = csv.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("\"Время, с\",\"P сигнала, дБм\",U"));
    QCOMPARE(lines.size(), 1 + 26); // keys 1.6 ... 11.6 s
    QCOMPARE(lines.at(1), QStringLiteral("1.600,-44,4"));
    QCOMPARE(lines.at(2), QStringLiteral("2.000,-45,"));
    QCOMPARE(lines.last(), QStringLiteral("11.600,-69,"));
}

void TestZRealTimeChart::pointCapHoldsAcrossBreaks()
{
    // A break leaves a NaN point and a value under one key; the cap must still drop the oldest
    // points one by one once such a pair reaches the head of the graph.
    SteppedChart chart;
    Feed feed;
    chart.addSource(&feed, &Feed::value, QPen());
    chart.setMaxPoints(100);
    for (int i = 0; i < 1000; ++i) {
        chart.now += i % 10 == 0 ? 900 : 100;
        emit feed.value(float(i));
        QVERIFY2(chart.graph(0)->dataCount() <= 102, qPrintable(QString::number(i)));
    }
    QCOMPARE((chart.graph(0)->data()->constEnd() - 1)->value, 999.0);
    chart.setMaxPoints(50);
    QCOMPARE(chart.graph(0)->dataCount(), 50);
    QCOMPARE((chart.graph(0)->data()->constEnd() - 1)->value, 999.0);
}

void TestZRealTimeChart::monotonicClockStartsAtFirstValue()
{
    ZRealTimeChart chart;
    Feed feed;
    chart.addSource(&feed, &Feed::value, QPen());
    QTest::qWait(30); // the clock starts with the first value, not with the chart
    emit feed.value(1.0f);
    QTest::qWait(60);
    emit feed.value(2.0f);
    const QVector<double> keys = keysOf(chart.graph(0), false);
    QCOMPARE(keys.size(), 2);
    QCOMPARE(keys.at(0), 0.0);
    QVERIFY2(keys.at(1) >= 0.06 && keys.at(1) < 10, qPrintable(QString::number(keys.at(1))));

    chart.clear();
    QCOMPARE(chart.graph(0)->dataCount(), 0);
    emit feed.value(3.0f);
    QCOMPARE(chart.graph(0)->data()->constBegin()->key, 0.0);
}

QTEST_MAIN(TestZRealTimeChart)
#include "tst_zrealtimechart.moc"
