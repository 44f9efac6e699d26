// The spectrum chart: frame tiling, the level axis, the maximum, markers with their values,
// snapping and dragging, legends, the marker menu, and the chart fed by the receiver through the
// real serial link and the emulator.

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "chartpicture.h"
#include "emulatorrig.h"
#include "mousedrag.h"
#include "zchartexport.h"
#include "zmarkermenu.h"
#include "zrealtimechart.h"
#include "zspectrchart.h"
#include "zspectrlegend.h"
#include "zspectrmarker.h"

namespace {

QColor markerColour(int num)
{
    static const char *const colours[] = {"#FF3333", "#FFC02E", "#00F0FF", "#FF61C1"};
    return QColor(QLatin1String(colours[qBound(1, num, 4) - 1]));
}

// Levels -100, -99, ... so that each point shows which level of its frame landed there.
SpectrFrame ramp(int size)
{
    SpectrFrame frame;
    for (int i = 0; i < size; ++i)
        frame.append(-100.0 + i);
    return frame;
}

// Sends all 64 frames of a spectrum whose point p has the level levelAt(p).
template <typename F> void sweep(ZSpectrChart &chart, F levelAt)
{
    for (int no = 0; no < ZSpectrGeometry::FrameCount; ++no) {
        SpectrFrame frame;
        for (int i = 0; i < 32; ++i)
            frame.append(levelAt(32 * no - 1 + i));
        chart.spectrFrame(no, frame);
    }
}

void refresh(ZSpectrChart &chart)
{
    QVERIFY(QMetaObject::invokeMethod(&chart, "updatePlot"));
}

QVector<double> traceLevels(ZSpectrChart &chart)
{
    QVector<double> levels;
    for (auto it = chart.graph(0)->data()->constBegin(); it != chart.graph(0)->data()->constEnd(); ++it)
        levels.append(it->value);
    return levels;
}

double gridKey(int point)
{
    return point * ZSpectrGeometry::PointSpacingKHz;
}

QStringList legendLines(const ZSpectrChart &chart)
{
    QStringList lines;
    for (const ZSpectrLegend *legend : chart.findChildren<ZSpectrLegend *>())
        lines.append(legend->texts().join(QString()));
    return lines;
}

} // namespace

class TestZSpectrChart : public QObject
{
    Q_OBJECT

private slots:
    void frameTiling_data();
    void frameTiling();
    void levelRangeAndMaximum();
    void markerValues_data();
    void markerValues();
    void dragSnapsToTheGrid();
    void createAndRemove_data();
    void createAndRemove();
    void markerMenu_data();
    void markerMenu();
    void savesWhatItShows();
    void textsDrawnWhereTheyBelong();
    void fedByTheReceiver();
};

void TestZSpectrChart::frameTiling_data()
{
    QTest::addColumn<QVector<int>>("numbers"); // -1: clear
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("firstPoint"); // -1: nothing drawn
    QTest::addColumn<int>("lastPoint");
    QTest::addColumn<double>("firstLevel");

    QTest::newRow("frame 0 drops its first level") << QVector<int>{0} << 32 << 0 << 30 << -99.0;
    QTest::newRow("frame 63 drops its last level") << QVector<int>{63} << 32 << 2015 << 2045 << -100.0;
    QTest::newRow("frame 5") << QVector<int>{5} << 32 << 159 << 190 << -100.0;
    QTest::newRow("frame 5 after clear") << QVector<int>{3, 4, 5, 6, -1, 5} << 32 << 159 << 190 << -100.0;
    QTest::newRow("frame 64") << QVector<int>{64} << 32 << -1 << -1 << 0.0;
    QTest::newRow("frame 255") << QVector<int>{255} << 32 << -1 << -1 << 0.0;
    QTest::newRow("empty frame 0") << QVector<int>{0} << 0 << -1 << -1 << 0.0;
}

void TestZSpectrChart::frameTiling()
{
    QFETCH(QVector<int>, numbers);
    QFETCH(int, size);
    QFETCH(int, firstPoint);
    QFETCH(int, lastPoint);
    QFETCH(double, firstLevel);

    ZSpectrChart chart;
    for (int no : numbers) {
        if (no < 0)
            chart.clear();
        else
            chart.spectrFrame(no, ramp(size));
    }
    const QVector<double> levels = traceLevels(chart);
    if (firstPoint < 0) {
        QVERIFY(levels.isEmpty());
        QVERIFY(std::isnan(chart.currentMax()));
        return;
    }
    QCOMPARE(levels.size(), ZSpectrGeometry::PointCount);
    for (int p = 0; p < levels.size(); ++p)
        QVERIFY2(std::isnan(levels.at(p)) == (p < firstPoint || p > lastPoint), qPrintable(QString::number(p)));
    QCOMPARE(levels.at(firstPoint), firstLevel);
    QCOMPARE(levels.at(lastPoint), firstLevel + lastPoint - firstPoint);
}

void TestZSpectrChart::levelRangeAndMaximum()
{
    ZSpectrChart chart;
    QVERIFY(std::isnan(chart.currentMax()));
    refresh(chart);
    QCOMPARE(chart.yAxis->range(), QCPRange(-90, -60)); // nothing seen yet

    auto expect = [&chart](double low, double high) {
        const double margin = 0.3 * 0.5 * (high - low);
        QVERIFY2(std::abs(chart.yAxis->range().lower - (low - margin)) < 1e-9
                     && std::abs(chart.yAxis->range().upper - (high + margin)) < 1e-9,
                 qPrintable(QStringLiteral("%1 .. %2").arg(chart.yAxis->range().lower).arg(chart.yAxis->range().upper)));
    };
    chart.spectrFrame(5, ramp(32)); // -100 ... -69
    refresh(chart);
    expect(-100, -69);
    QCOMPARE(chart.currentMax(), -69.0);

    chart.spectrFrame(7, SpectrFrame(32, -20.0));
    refresh(chart);
    expect(-100, -20);
    QCOMPARE(chart.currentMax(), -20.0);

    // The level range only grows until a clear, even when the levels that made it are gone.
    chart.spectrFrame(7, SpectrFrame(32, -80.0));
    chart.spectrFrame(5, SpectrFrame(32, -80.0));
    refresh(chart);
    expect(-100, -20);
    QCOMPARE(chart.currentMax(), -80.0);

    // Levels above 0 dBm, and NaN or infinite levels from a garbled reply, keep the range sane.
    SpectrFrame odd(32, -50.0);
    odd[3] = std::nan("");
    odd[4] = INFINITY;
    odd[5] = 3.0;
    chart.spectrFrame(9, odd);
    refresh(chart);
    expect(-100, 3);
    QCOMPARE(chart.currentMax(), 3.0);

    chart.clear();
    QVERIFY(std::isnan(chart.currentMax()));
    SpectrFrame again(32, -70.0);
    again[31] = -66.0;
    chart.spectrFrame(5, again);
    refresh(chart);
    expect(-70, -66);
}

void TestZSpectrChart::markerValues_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("onPeak");

    // The spectrum is flat at -50 dBm but for one point; marker 1 starts in the middle.
    QTest::newRow("absolute") << int(Absolute) << -10.0 << -50.0 << false;
    QTest::newRow("maximum") << int(Max) << -10.0 << -10.0 << true;
    QTest::newRow("maximum above 0 dBm") << int(Max) << 3.0 << 3.0 << true;
    QTest::newRow("delta to maximum") << int(DeltaMax) << -10.0 << -40.0 << false;
    QTest::newRow("delta to maximum above 0 dBm") << int(DeltaMax) << 3.0 << -53.0 << false;
    QTest::newRow("delta to marker") << int(DeltaMarker) << -10.0 << -40.0 << false;
    QTest::newRow("delta to marker above 0 dBm") << int(DeltaMarker) << 3.0 << -53.0 << false;
}

void TestZSpectrChart::markerValues()
{
    QFETCH(int, type);
    QFETCH(double, peak);
    QFETCH(double, value);
    QFETCH(bool, onPeak);

    ZSpectrChart chart;
    chart.resize(930, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QSignalSpy values(&chart, &ZSpectrChart::markerVal);
    if (type == DeltaMarker)
        QVERIFY(chart.createMarker(2, markerColour(2), Max, 0)); // the reference sits on the peak
    QVERIFY(chart.createMarker(1, markerColour(1), type, type == DeltaMarker ? 2 : 0));
    ZSpectrMarker *marker = chart.markers().value(type == DeltaMarker ? 1 : 0);
    QVERIFY(marker);

    refresh(chart);
    QVERIFY(std::isnan(marker->value())); // no spectrum yet
    sweep(chart, [peak](int p) { return p == 1500 ? peak : -50.0; });
    refresh(chart);

    QCOMPARE(marker->value(), value);
    // On the grid: on the peak, or on the point nearest the middle where it was put.
    const double key = marker->markerKey();
    QCOMPARE(key, gridKey(qRound(key / ZSpectrGeometry::PointSpacingKHz)));
    QVERIFY2(onPeak ? key == gridKey(1500) : std::abs(key - 500) < 30, qPrintable(QString::number(key)));
    QCOMPARE(values.last().at(0).toInt(), 1);
    QCOMPARE(values.last().at(1).toDouble(), value);
    const QStringList lines = legendLines(chart);
    QVERIFY2(lines.last().endsWith(QString::number(value, 'f', 2)), qPrintable(lines.join('|')));
}

void TestZSpectrChart::dragSnapsToTheGrid()
{
    ZSpectrChart chart;
    chart.resize(930, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    sweep(chart, [](int p) { return -80.0 + p % 7; });
    QVERIFY(chart.createMarker(1, markerColour(1), Absolute, 0));
    QVERIFY(chart.createMarker(2, markerColour(2), Max, 0));
    refresh(chart);
    ZSpectrMarker *absolute = chart.markers().at(0);
    ZSpectrMarker *maximum = chart.markers().at(1);
    const double maxKey = maximum->markerKey();

    // Pick a pixel whose frequency lies between two grid points.
    int x = int(chart.xAxis->coordToPixel(700.0));
    double target = chart.xAxis->pixelToCoord(x);
    while (std::abs(std::fmod(target, ZSpectrGeometry::PointSpacingKHz)) < 0.05) {
        ++x;
        target = chart.xAxis->pixelToCoord(x);
    }
    const int y = int(chart.yAxis->coordToPixel(-75.0));
    auto drag = [&chart, y](double fromKey, int toX) {
        leftDrag(&chart, QPoint(qRound(chart.xAxis->coordToPixel(fromKey)), y), QPoint(toX, y));
    };
    drag(absolute->markerKey(), x);
    QCOMPARE(absolute->markerKey(), target); // the snap waits for the refresh
    const double snapped = std::ceil(target / ZSpectrGeometry::PointSpacingKHz) * ZSpectrGeometry::PointSpacingKHz;
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(absolute->markerKey() - snapped) < 1e-9, 5000);
    QVERIFY(!absolute->handleItem()->selected());

    // A maximum marker stays on the maximum.
    drag(maxKey, x);
    QTest::qWait(250);
    QCOMPARE(maximum->markerKey(), maxKey);

    // A press on the bottom axis away from every marker's line picks none.
    const double kept = absolute->markerKey();
    const int axisY = chart.axisRect()->bottom();
    leftDrag(&chart, QPoint(int(chart.xAxis->coordToPixel(100)), axisY),
             QPoint(int(chart.xAxis->coordToPixel(900)), axisY));
    QCOMPARE(absolute->markerKey(), kept);
}

void TestZSpectrChart::createAndRemove_data()
{
    // Steps: "<num><kind>[<reference>]<+|->" creates (A absolute, M maximum, X delta to the
    // maximum, D delta to the marker numbered next) and says the result expected;
    // "-<num>" removes.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("legends");

    QTest::newRow("absolute") << "1A+" << QStringList{"М1 АБС -50.00"};
    QTest::newRow("to itself") << "2D2-" << QStringList{};
    QTest::newRow("to a missing marker") << "2D1-" << QStringList{};
    QTest::newRow("maximum twice") << "1M+ 1M-" << QStringList{"М1 МАКС -50.00"};
    QTest::newRow("kind changed") << "1A+ 1X+" << QStringList{"М1 Δ МАКС 0.00"};
    QTest::newRow("delta twice") << "1A+ 2D1+ 2D1-" << QStringList{"М1 АБС -50.00", "М2 Δ М1 0.00"};
    QTest::newRow("in creation order") << "3A+ 1M+ 2X+"
                                       << QStringList{"М3 АБС -50.00", "М1 МАКС -50.00", "М2 Δ МАКС 0.00"};
    QTest::newRow("reference removed") << "1A+ 2D1+ -1" << QStringList{"М2 Δ "};
    QTest::newRow("new marker of the removed number")
        << "1A+ 2D1+ -1 1M+ 2D1+" << QStringList{"М2 Δ М1 0.00", "М1 МАКС -50.00"};
}

void TestZSpectrChart::createAndRemove()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, legends);

    ZSpectrChart chart;
    chart.resize(930, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    sweep(chart, [](int) { return -50.0; });
    const QString kinds = QStringLiteral("ADXM");
    for (const QString &step : steps.split(' ')) {
        if (step.startsWith('-')) {
            chart.removeMarker(step.mid(1).toInt());
            continue;
        }
        const int num = step.at(0).digitValue();
        const int type = kinds.indexOf(step.at(1));
        const int deltaTo = type == DeltaMarker ? step.at(2).digitValue() : 0;
        // An existing marker keeps its colour, whatever colour comes with the change.
        const QColor colour = chart.findChildren<ZSpectrMarker *>().isEmpty() ? markerColour(num) : Qt::black;
        QVERIFY2(chart.createMarker(num, colour, type, deltaTo) == step.endsWith('+'), qPrintable(step));
    }
    // Markers are refreshed in list order: a difference to a marker later in the list has its
    // value from the second refresh on.
    refresh(chart);
    refresh(chart);
    QCOMPARE(legendLines(chart), legends);
    for (const QPointer<ZSpectrMarker> &marker : chart.markers())
        QVERIFY(marker->colour() == markerColour(marker->number()) || marker->colour() == Qt::black);
    QCOMPARE(chart.findChildren<ZSpectrMarker *>().size(), legends.size());
}

void TestZSpectrChart::markerMenu_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("type"); // -1: removal
    QTest::addColumn<int>("deltaTo");
    QTest::newRow("absolute") << "Абсолют" << 0 << 0;
    QTest::newRow("maximum") << "Максимум" << 3 << 0;
    QTest::newRow("remove") << "Удалить" << -1 << 0;
    QTest::newRow("delta to the maximum") << "Дельта/Максимум" << 2 << 0;
    QTest::newRow("delta to M3") << "Дельта/Дельта М3" << 1 << 3;
}

void TestZSpectrChart::markerMenu()
{
    QFETCH(QString, path);
    QFETCH(int, type);
    QFETCH(int, deltaTo);

    ZMarkerMenu menu(2);
    menu.addDeltaTarget(2); // its own marker: ignored
    menu.addDeltaTarget(4);
    menu.addDeltaTarget(3);
    menu.addDeltaTarget(4); // offered already
    menu.clearDeltaTargets();
    menu.addDeltaTarget(1);
    menu.addDeltaTarget(3);

    QStringList texts;
    for (const QAction *action : menu.actions())
        texts.append(action->text());
    QCOMPARE(texts, (QStringList{"Абсолют", "Максимум", "Удалить", "Дельта"}));
    QMenu *delta = menu.actions().last()->menu();
    texts.clear();
    for (const QAction *action : delta->actions())
        texts.append(action->text());
    QCOMPARE(texts, (QStringList{"Максимум", "Дельта М1", "Дельта М3"}));

    QSignalSpy created(&menu, &ZMarkerMenu::createMarker);
    QSignalSpy removed(&menu, &ZMarkerMenu::removeMarker);
    QMenu *level = &menu;
    const QStringList parts = path.split('/');
    for (const QString &part : parts) {
        const QList<QAction *> actions = level->actions();
        auto it = std::find_if(actions.begin(), actions.end(), [&part](QAction *a) { return a->text() == part; });
        QVERIFY(it != actions.end());
        if ((*it)->menu())
            level = (*it)->menu();
        else
            (*it)->trigger();
    }
    if (type < 0) {
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(0).toInt(), 2);
        QCOMPARE(created.count(), 0);
    } else {
        QCOMPARE(created.count(), 1);
        QCOMPARE(created.first(), (QList<QVariant>{2, type, deltaTo}));
    }
}

void TestZSpectrChart::savesWhatItShows()
{
    ZSpectrChart chart;
    chart.resize(640, 360);
    chart.show();
    sweep(chart, [](int p) { return -100.0 + 0.01 * p; });
    QVERIFY(chart.createMarker(1, markerColour(1), Max, 0));
    refresh(chart);

    // The right-click menu offers both.
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (QAction *action : menu->actions())
                offered << action->text();
            menu->close();
        }
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(100, 100), chart.mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(&chart, &click);
    QCOMPARE(offered, (QStringList{"Сохранить изображение…", "Сохранить данные…"}));

    QTemporaryDir dir;
    QString error;
    QVERIFY2(chart.exporter()->saveData(dir.filePath("s.csv"), &error), qPrintable(error));
    QFile csv(dir.filePath("s.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + ZSpectrGeometry::PointCount);
    QCOMPARE(lines.first(), QStringLiteral("\"Частота, кГц\",\"Уровень, дБм\",Маркер"));
    auto point = chart.graph(0)->data()->constBegin();
    for (int i = 1; i < lines.size(); ++i, ++point) {
        const QStringList fields = lines.at(i).split(',');
        QCOMPARE(fields.size(), 3);
        QVERIFY(std::abs(fields.at(0).toDouble() - point->key) < 1e-3);
        QVERIFY(std::abs(fields.at(1).toDouble() - point->value) < 1e-6);
    }
    QCOMPARE(lines.last().section(',', 2), QStringLiteral("M1")); // the maximum is the last point

    QVERIFY2(chart.exporter()->saveImage(dir.filePath("s.png"), &error), qPrintable(error));
    QCOMPARE(QImage(dir.filePath("s.png")).size(), chart.size());
    QVERIFY2(chart.exporter()->saveImage(dir.filePath("s.pdf"), &error), qPrintable(error));
    QFile pdf(dir.filePath("s.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    // Nothing but the three files: no temporary one left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // A folder that is not there: the reason given, no file made.
    QVERIFY(!chart.exporter()->saveData(dir.filePath("gone/s.csv"), &error));
    QVERIFY2(error.contains(QLatin1String("gone/s.csv")), qPrintable(error));
    QVERIFY(!QFileInfo::exists(dir.filePath("gone")));
}

void TestZSpectrChart::textsDrawnWhereTheyBelong()
{
    // Every text an operator reads on the spectrum (the corner captions, the markers' names and
    // frequencies, the legend lines) puts its ink where its text and font place it, in its
    // colour; a text given a new font, or new words, is laid out anew.
    ZSpectrChart chart;
    chart.resize(930, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    sweep(chart, [](int p) { return p == 1000 ? -40.0 : -50.0; });
    QVERIFY(chart.createMarker(1, markerColour(1), Absolute, 0));
    QVERIFY(chart.createMarker(2, markerColour(2), Max, 0));
    refresh(chart);
    refresh(chart);

    QList<QCPItemText *> texts;
    for (int i = 0; i < chart.itemCount(); ++i) {
        auto *text = qobject_cast<QCPItemText *>(chart.item(i));
        if (text && text->visible() && !text->text().isEmpty())
            texts.append(text);
    }
    auto named = [&texts](const QString &words) {
        for (QCPItemText *text : texts) {
            if (text->text() == words)
                return text;
        }
        return static_cast<QCPItemText *>(nullptr);
    };
    QVERIFY(named("дБм") && named("кГц") && named("M1") && named("M2") && named("М1 "));

    auto checkAll = [&chart, &texts] {
        const QImage picture = ChartPicture::render(&chart);
        for (QCPItemText *text : texts) {
            const QRect ink = ChartPicture::inkOf(&chart, text);
            // A text drawn with a frame inks its box; one without, its text alone.
            const QRect box = text->pen().style() == Qt::NoPen ? ChartPicture::textOf(text) : ChartPicture::boxOf(text);
            const QString what = text->text() + QStringLiteral(": ink %1,%2 %3x%4 in box %5,%6 %7x%8")
                                                      .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())
                                                      .arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height());
            QVERIFY2(!ink.isEmpty(), qPrintable(what));
            QVERIFY2(box.adjusted(-2, -2, 2, 2).contains(ink), qPrintable(what));
            QVERIFY2(ink.width() * 2 > ChartPicture::textOf(text).width(), qPrintable(what));
            QVERIFY2(ChartPicture::holdsColour(picture, ink, text->color()), qPrintable(what));
        }
    };
    checkAll();
    if (QTest::currentTestFailed())
        return;

    QCPItemText *unit = named("дБм");
    QCPItemText *name = named("M1");
    const QRect unitBefore = ChartPicture::inkOf(&chart, unit);
    const QRect nameBefore = ChartPicture::inkOf(&chart, name);
    QFont larger = unit->font();
    larger.setPixelSize(larger.pixelSize() * 2);
    unit->setFont(larger);
    name->setText(QStringLiteral("M1 wide"));
    checkAll();
    QVERIFY(ChartPicture::inkOf(&chart, unit).height() > unitBefore.height());
    QVERIFY(ChartPicture::inkOf(&chart, name).width() > nameBefore.width());
}

void TestZSpectrChart::fedByTheReceiver()
{
    EmulatorRig rig;
    rig.emulator.setSignalPower(-42.5);
    rig.emulator.setOutputVoltage(3.25);
    QVERIFY(rig.startEmulator());
    ZTarnVex *device = rig.device.get();

    ZSpectrChart spectrum;
    ZRealTimeChart strip;
    connect(device, &ZTarnVex::spectrFrame, &spectrum, &ZSpectrChart::spectrFrame);
    strip.addSource(device, &ZTarnVex::signalPow, QPen(Qt::red));
    strip.addSource(device, &ZTarnVex::signalVolt, QPen(Qt::blue));
    QVERIFY(spectrum.createMarker(1, markerColour(1), Max, 0));
    device->start();

    auto drawnPoints = [&spectrum] {
        const QVector<double> levels = traceLevels(spectrum);
        return std::count_if(levels.begin(), levels.end(), [](double l) { return std::isfinite(l); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(drawnPoints() >= 3 * 31 && strip.graph(1)->dataCount() >= 3, 10000);
    QCOMPARE(strip.graph(0)->data()->constBegin()->value, -42.5);
    QCOMPARE(strip.graph(1)->data()->constBegin()->value, 3.25);
    // The maximum marker finds the top of what has arrived within a refresh.
    QTRY_COMPARE_WITH_TIMEOUT(spectrum.markers().at(0)->value(), spectrum.currentMax(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(spectrum.yAxis->range().contains(spectrum.currentMax()), 5000);
    device->stop();
}

QTEST_MAIN(TestZSpectrChart)
#include "tst_zspectrchart.moc"
