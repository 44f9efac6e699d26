// One alarm's three sources: the status byte announces changes only, the alarm and journal
// registers announce every reading; a bit the bytes do not reach leaves the state alone.

#include <QSignalSpy>
#include <QtTest>

#include "zalarm.h"

class TestZAlarm : public QObject
{
    Q_OBJECT
private slots:
    void telemetryAnnouncesChangesOnly();
    void telemetryWithoutBitWarns();
    void registerBits_data();
    void registerBits();
    void resetAndReport();
};

void TestZAlarm::telemetryAnnouncesChangesOnly()
{
    ZAlarm alarm(nullptr, 3, QStringLiteral("Авария захват PLL"), 3);
    QSignalSpy changed(&alarm, &ZAlarm::changed);
    QVERIFY(!alarm.isActive());
    alarm.checkTelemetry(0x08);
    alarm.checkTelemetry(0x0F);
    QVERIFY(alarm.isActive());
    alarm.checkTelemetry(0xF7);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    QCOMPARE(changed.at(1).at(0).toInt(), 0);
    QVERIFY(!alarm.isActive());
}

void TestZAlarm::telemetryWithoutBitWarns()
{
    ZAlarm alarm(nullptr, 9, QStringLiteral("x"));
    QSignalSpy changed(&alarm, &ZAlarm::changed);
    QTest::ignoreMessage(QtWarningMsg, "attempt to check alarm telemetry bit == -1");
    alarm.checkTelemetry(0xFF);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(alarm.state(), -1);
}

void TestZAlarm::registerBits_data()
{
    QTest::addColumn<int>("bit");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("emitted");
    QTest::newRow("bit 0 set") << 0 << QByteArray("\x01", 1) << 1 << 2;
    QTest::newRow("bit 9 in the second byte") << 9 << QByteArray("\x00\x02", 2) << 1 << 2;
    QTest::newRow("bit 9 clear") << 9 << QByteArray("\xFF\xFD", 2) << 0 << 2;
    QTest::newRow("byte missing") << 9 << QByteArray("\xFF", 1) << -1 << 0;
    QTest::newRow("empty") << 0 << QByteArray() << -1 << 0;
    QTest::newRow("no bit") << -1 << QByteArray("\xFF\xFF", 2) << -1 << 0;
}

void TestZAlarm::registerBits()
{
    QFETCH(int, bit);
    QFETCH(QByteArray, bytes);
    QFETCH(int, state);
    QFETCH(int, emitted);
    ZAlarm alarm(nullptr, 1, QStringLiteral("x"), -1, bit, bit);
    QSignalSpy list(&alarm, &ZAlarm::changedList);
    QSignalSpy journal(&alarm, &ZAlarm::changedJournal);
    // The same reading twice: both are announced.
    alarm.checkList(bytes);
    alarm.checkList(bytes);
    alarm.checkJournal(bytes);
    alarm.checkJournal(bytes);
    QCOMPARE(alarm.listState(), state);
    QCOMPARE(alarm.journalState(), state);
    QCOMPARE(list.count(), emitted);
    QCOMPARE(journal.count(), emitted);
    QCOMPARE(alarm.state(), -1);
}

void TestZAlarm::resetAndReport()
{
    ZAlarm alarm(nullptr, 2, QStringLiteral("Авария во ВЧ"), 2, 0, 1);
    alarm.checkTelemetry(0x04);
    alarm.checkList(QByteArray("\x01", 1));
    alarm.checkJournal(QByteArray("\x00", 1));
    QSignalSpy changed(&alarm, &ZAlarm::changed);
    QSignalSpy list(&alarm, &ZAlarm::changedList);
    QSignalSpy journal(&alarm, &ZAlarm::changedJournal);
    alarm.reportAll();
    QCOMPARE(changed.takeFirst().at(0).toInt(), 1);
    QCOMPARE(list.takeFirst().at(0).toInt(), 1);
    QCOMPARE(journal.takeFirst().at(0).toInt(), 0);
    alarm.resetStates();
    QCOMPARE(changed.count() + list.count() + journal.count(), 0);
    QCOMPARE(alarm.state(), -1);
    QCOMPARE(alarm.listState(), -1);
    QCOMPARE(alarm.journalState(), -1);
    QVERIFY(alarm == 2);
    QVERIFY(alarm != ZAlarm(nullptr, 3, QString()));
}

QTEST_GUILESS_MAIN(TestZAlarm)
#include "tst_zalarm.moc"
