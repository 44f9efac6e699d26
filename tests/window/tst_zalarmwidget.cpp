// The alarm tile's blinking, on its own timer.

#include <QLabel>
#include <QtTest>

#include "zalarmwidget.h"

namespace {

const QColor Red(255, 57, 31);
const QColor Yellow(244, 188, 66);

QColor colour(const QWidget &w)
{
    return w.palette().color(QPalette::Window);
}

} // namespace

class TestZAlarmWidget : public QObject
{
    Q_OBJECT

private slots:
    void blinksOncePerSecond();
};

void TestZAlarmWidget::blinksOncePerSecond()
{
    QElapsedTimer clock;
    clock.start();
    ZAlarmWidget first(3, QStringLiteral("Перегрев"));
    first.show();
    QVERIFY(first.autoFillBackground());
    QCOMPARE(first.findChild<QLabel *>()->text(), QStringLiteral("Перегрев"));
    QCOMPARE(colour(first), Red);

    // A second tile half a second later keeps its own rhythm.
    QTest::qWait(500);
    ZAlarmWidget second(3, QStringLiteral("Перегрев"));
    QVERIFY(first == second);

    QTRY_COMPARE_WITH_TIMEOUT(colour(first), Yellow, 3000);
    const qint64 firstTurned = clock.elapsed();
    QVERIFY2(firstTurned >= 900, qPrintable(QString::number(firstTurned)));
    QTRY_COMPARE_WITH_TIMEOUT(colour(second), Yellow, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(colour(first), Red, 3000);
    const qint64 firstBack = clock.elapsed();
    QVERIFY2(firstBack - firstTurned >= 900, qPrintable(QString::number(firstBack - firstTurned)));
    QTRY_COMPARE_WITH_TIMEOUT(colour(second), Red, 3000);
}

QTEST_MAIN(TestZAlarmWidget)
#include "tst_zalarmwidget.moc"
