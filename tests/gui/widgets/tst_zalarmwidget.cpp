// The alarm tile's blinking, on its own timer.

#include <QLabel>
#include <QTimer>
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
    void tilesBlinkOnTheirOwn();
};

void TestZAlarmWidget::blinksOncePerSecond()
{
    ZAlarmWidget first(3, QStringLiteral("Перегрев"));
    first.show();
    QCOMPARE(first.findChild<QLabel *>()->text(), QStringLiteral("Перегрев"));
    QCOMPARE(colour(first), Red);
    QTRY_COMPARE_WITH_TIMEOUT(colour(first), Yellow, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(colour(first), Red, 3000);
}

void TestZAlarmWidget::tilesBlinkOnTheirOwn()
{
    // Tiles of alarms raised at different moments keep their own rhythm: one tick of the first
    // tile's clock changes the first tile only.
    ZAlarmWidget first(3, QStringLiteral("Перегрев"));
    ZAlarmWidget second(5, QStringLiteral("Нет захвата"));
    QVERIFY(!(first == second));
    auto *clock = first.findChild<QTimer *>();
    QVERIFY(clock && clock->isActive());
    QCOMPARE(clock->interval(), 1000);
    QVERIFY(QMetaObject::invokeMethod(clock, "timeout"));
    QCOMPARE(colour(first), Yellow);
    QCOMPARE(colour(second), Red);
    QVERIFY(QMetaObject::invokeMethod(clock, "timeout"));
    QCOMPARE(colour(first), Red);
}

QTEST_MAIN(TestZAlarmWidget)
#include "tst_zalarmwidget.moc"
