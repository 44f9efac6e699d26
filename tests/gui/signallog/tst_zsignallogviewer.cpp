// The viewer on the offscreen platform: the newest day chosen and read in the worker thread,
// the statistics of the span on show through a rubber-band zoom and back, lines the program adds
// while the operator is zoomed in and after a pause, what it says when there is nothing to show,
// and its place.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QtTest>

#include "chartpicture.h"
#include "mousedrag.h"
#include "zsignallogchart.h"
#include "zsignallogviewer.h"
#include "zstartup.h"

namespace {

// One line every 100 ms from 10:00, the power rising by 0.01 dB a line from -60 dBm.
QByteArray lines(int from, int to)
{
    QByteArray text;
    for (int i = from; i < to; ++i)
        text += QStringLiteral("2026-12-10 10:%1:%2.%3 \"%4\"\n")
                    .arg(i / 600, 2, 10, QLatin1Char('0')).arg(i / 10 % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 10 * 100, 3, 10, QLatin1Char('0')).arg(-60.0 + i * 0.01, 0, 'f', 3).toLatin1();
    return text;
}

void write(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    QVERIFY(file.open(mode));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

void band(QWidget *chart, int fromX, int toX, int top, int bottom)
{
    pressAndMove(chart, QPoint(fromX, top), QPoint(toX, bottom));
    QTest::mouseRelease(chart, Qt::LeftButton, {}, QPoint(toX, bottom));
}

} // namespace

class TestZSignalLogViewer : public QObject
{
    Q_OBJECT

private slots:
    void newestDayZoomedAndFollowed();
    void nothingToShow_data();
    void nothingToShow();
    void placeAndSplitKept();
    void closedWhileReading();
    void pauseIsNoPower();
};

void TestZSignalLogViewer::newestDayZoomedAndFollowed()
{
    QTemporaryDir dir;
    write(dir.filePath("2026-12-09"), lines(0, 10));
    write(dir.filePath("2026-12-10"), lines(0, 600) + "2026-12-10 10:01:00.0\n");
    write(dir.filePath("2026-12-10.txt"), lines(0, 10));
    QVERIFY(QDir(dir.path()).mkdir("2026-12-11"));

    ZSignalLogViewer viewer(dir.path());
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    auto *days = viewer.findChild<QListWidget *>("days");
    auto *chart = viewer.findChild<ZSignalLogChart *>("chart");
    auto *statistics = viewer.findChild<QLabel *>("statistics");
    auto *status = viewer.findChild<QLabel *>("status");
    QCOMPARE(days->count(), 2);
    QCOMPARE(days->currentItem()->text(), QStringLiteral("2026-12-10"));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("2026-12-10 — строк: 601, нечитаемых: 1"), 30000);
    const QString whole = QStringLiteral("Мин -60.000  Макс -54.010  Среднее -57.005 дБм, точек: 600");
    QTRY_COMPARE_WITH_TIMEOUT(statistics->text(), whole, 30000);
    QCOMPARE(chart->accessibleDescription(), whole);

    // Over the middle half of the minute: about half the points, none of the ends.
    const QRect plot = chart->axisRect()->rect();
    const int left = plot.left() + plot.width() / 4, right = plot.left() + plot.width() * 3 / 4;
    band(chart, left, right, plot.top() + 5, plot.bottom() - 5);
    QVERIFY(chart->isZoomed());
    QTRY_VERIFY_WITH_TIMEOUT(statistics->text() != whole, 30000);
    const ZSignalLogChart::Statistics zoomed = chart->statistics();
    QVERIFY2(zoomed.count > 250 && zoomed.count < 350, qPrintable(statistics->text()));
    QVERIFY(zoomed.min > -59.5 && zoomed.max < -54.5);
    QVERIFY(statistics->text().endsWith(QStringLiteral("точек: %1").arg(zoomed.count)));

    // Lines the program adds, the last one not yet complete: taken while zoomed in, the view kept.
    const QCPRange span = chart->xAxis->range();
    write(dir.filePath("2026-12-10"), lines(600, 605) + "2026-12-10 10:01:00.5", QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("2026-12-10 — строк: 606, нечитаемых: 1"), 30000);
    QCOMPARE(chart->pointCount(), 605);
    QCOMPARE(chart->xAxis->range(), span);

    // Right to left: the whole file again.
    band(chart, right, left, plot.top() + 5, plot.bottom() - 5);
    QVERIFY(!chart->isZoomed());
    const QString more = QStringLiteral("Мин -60.000  Макс -53.960  Среднее -56.980 дБм, точек: 605");
    QTRY_COMPARE_WITH_TIMEOUT(statistics->text(), more, 30000);

    // The unfinished line ended by a power failure, then lines after four minutes' silence: they
    // start a new piece of the line, a break (a point of no power) between.
    write(dir.filePath("2026-12-10"), "\n" + lines(3000, 3003), QIODevice::Append);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("2026-12-10 — строк: 610, нечитаемых: 2"), 30000);
    QCOMPARE(chart->pointCount(), 605 + 1 + 3);
    QTRY_VERIFY_WITH_TIMEOUT(statistics->text().endsWith(QStringLiteral("точек: 608")), 30000);
    // On the screen: the line before the pause, none across it.
    const QImage shown = ChartPicture::render(chart);
    const QImage without = ChartPicture::renderWithout(chart, chart->graph(0));
    auto lineAt = [&](const QTime &time) {
        const int x = qRound(chart->xAxis->coordToPixel(QTime(0, 0).secsTo(time)));
        const QRect area = chart->axisRect()->rect();
        return !ChartPicture::changed(shown, without, QRect(x, area.top(), 1, area.height())).isEmpty();
    };
    QVERIFY(lineAt(QTime(10, 0, 30)));
    QVERIFY(!lineAt(QTime(10, 3)));
}

void TestZSignalLogViewer::nothingToShow_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QDate>("day"); // asked for after opening; invalid: none
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("said"); // %1: the folder

    QTest::newRow("no folder") << "absent" << QDate() << 0 << "Папки журнала %1 нет";
    QTest::newRow("no log in the folder") << "" << QDate() << 0 << "В папке %1 нет файлов журнала";
    QTest::newRow("no file for the day") << "" << QDate(2026, 12, 1) << 1
                                         << "Не удалось прочитать 2026-12-01: файла нет";
}

void TestZSignalLogViewer::nothingToShow()
{
    QFETCH(QString, folder);
    QFETCH(QDate, day);
    QFETCH(int, listed);
    QFETCH(QString, said);

    QTemporaryDir dir;
    write(dir.filePath("notes"), lines(0, 10));
    if (listed)
        write(dir.filePath("2026-12-10"), lines(0, 10));
    const QString path = folder.isEmpty() ? dir.path() : dir.filePath(folder);
    ZSignalLogViewer viewer(path);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    if (day.isValid())
        viewer.showDay(day);
    QCOMPARE(viewer.findChild<QListWidget *>()->count(), listed);
    QTRY_COMPARE_WITH_TIMEOUT(viewer.findChild<QLabel *>("status")->text(), said.replace("%1", path), 30000);
    QCOMPARE(viewer.findChild<ZSignalLogChart *>()->pointCount(), 0);
}

void TestZSignalLogViewer::placeAndSplitKept()
{
    QTemporaryDir settings;
    ZStartup::useSettingsFileIn(settings.path());
    QList<int> sizes;
    {
        ZSignalLogViewer viewer(settings.path());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        viewer.resize(700, 400);
        auto *splitter = viewer.findChild<QSplitter *>();
        splitter->setSizes({300, splitter->width() - 300 - splitter->handleWidth()});
        sizes = splitter->sizes();
        viewer.close();
    }
    ZSignalLogViewer viewer(settings.path());
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCOMPARE(viewer.size(), QSize(700, 400));
    QCOMPARE(viewer.findChild<QSplitter *>()->sizes(), sizes);
}

void TestZSignalLogViewer::closedWhileReading()
{
    // A day that would take far longer to read than any test waits (eight terabytes with no line
    // in it, sparse on the disk), chosen and the window gone at once: the read stops at its next
    // chunk and its thread is waited for, nothing of the window left under it. A read that went
    // on would hold the window's end until the test's time runs out, and fail it.
    QTemporaryDir dir;
    QFile day(dir.filePath("2026-12-10"));
    QVERIFY(day.open(QIODevice::WriteOnly) && day.resize(qint64(1) << 43));
    day.close();
    auto *viewer = new ZSignalLogViewer(dir.path());
    viewer->show();
    QVERIFY(viewer->findChild<QProgressBar *>(QStringLiteral("progress"))->isVisible());
    delete viewer;
}

void TestZSignalLogViewer::pauseIsNoPower()
{
    // The break a pause leaves in the line counts in no statistic and no saved row.
    QTemporaryDir dir;
    write(dir.filePath("2026-12-10"), "2026-12-10 10:00:00.000 \"-60.000\"\n2026-12-10 10:00:00.500 \"-61.000\"\n"
                                      "2026-12-10 11:00:00.000 \"-70.000\"\n");
    ZSignalLogViewer viewer(dir.path());
    viewer.show();
    auto *chart = viewer.findChild<ZSignalLogChart *>();
    QTRY_COMPARE_WITH_TIMEOUT(chart->pointCount(), 4, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(chart->statistics().count, 3, 30000);
    QCOMPARE(chart->statistics().min, -70.0);
    QCOMPARE(chart->statistics().max, -60.0);
    QString csv;
    QTextStream out(&csv);
    chart->writeCsv(out);
    QCOMPARE(csv.section('\n', 1), QStringLiteral("10:00:00.000,-60.000\n10:00:00.500,-61.000\n11:00:00.000,-70.000\n"));
}

QTEST_MAIN(TestZSignalLogViewer)
#include "tst_zsignallogviewer.moc"
