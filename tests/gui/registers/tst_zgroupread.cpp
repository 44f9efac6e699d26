// The group read's own rules against a device double: the order of what the device is asked,
// which outcomes move the read on, and how it ends. The dialog's part (its widgets, the real
// device) is tst_zregcontrol's.

#include <QtTest>

#include "zgroupread.h"

namespace {

// Stands for the device and the dialog's progress display: one line per request or notice, in
// the order they come.
struct DeviceDouble : QObject
{
    explicit DeviceDouble(ZGroupRead *read)
    {
        auto say = [this](const QString &line) { log << line; };
        connect(read, &ZGroupRead::pauseDevice, [say](bool p) { say(QString("pause %1").arg(p)); });
        connect(read, &ZGroupRead::blockDevice, [say](bool b) { say(QString("block %1").arg(b)); });
        connect(read, &ZGroupRead::abortDevice, [say] { say("abort"); });
        connect(read, &ZGroupRead::finished, [say] { say("finished"); });
        connect(read, &ZGroupRead::progress, [say](int number, int done) {
            say(QString("progress %1 %2").arg(number).arg(done));
        });
        connect(read, &ZGroupRead::readRegister, [this, say, read](const QVariant &id) {
            say(QString("read %1").arg(id.toInt()));
            // A stopping device refuses at once, through the same outcome signals.
            if (refuses)
                read->advance(id);
        });
    }
    QStringList log;
    bool refuses = false;
};

} // namespace

class TestZGroupRead : public QObject
{
    Q_OBJECT
private slots:
    void run_data();
    void run();
};

void TestZGroupRead::run_data()
{
    QTest::addColumn<QVariantList>("numbers");
    QTest::addColumn<bool>("refuses");
    // After the start: a register number is an outcome for it; "cancel" and "start" the calls.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("running");

    QTest::newRow("all answered") << QVariantList{2, 15, 18} << false
                                  << QStringList{"2", "15", "18"}
                                  << QStringList{"progress 15 2", "progress 18 3", "abort",
                                                 "block 0", "finished"}
                                  << false;
    // A status poll's failure, an early or repeated outcome, a second start: none moves it on.
    QTest::newRow("only the awaited counts") << QVariantList{2, 15, 18} << false
                                             << QStringList{"1", "15", "2", "2", "start", "18"}
                                             << QStringList{"progress 15 2"} << true;
    QTest::newRow("cancelled") << QVariantList{2, 15, 18} << false
                               << QStringList{"2", "cancel", "15", "18"}
                               << QStringList{"progress 15 2", "abort", "block 0", "finished"}
                               << false;
    QTest::newRow("refused while starting") << QVariantList{2, 15, 18} << true << QStringList()
                                            << QStringList() << true;
    // Ends only when cancelled.
    QTest::newRow("nothing to read") << QVariantList() << false << QStringList{"0", "1", "cancel"}
                                     << QStringList{"abort", "block 0", "finished"} << false;
}

void TestZGroupRead::run()
{
    QFETCH(QVariantList, numbers);
    QFETCH(bool, refuses);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, after);
    QFETCH(bool, running);
    ZGroupRead read;
    DeviceDouble device(&read);
    device.refuses = refuses;
    read.start(numbers.toVector());
    QCOMPARE(read.groupCount(), numbers.size());
    QStringList expected;
    if (numbers.isEmpty())
        expected << "pause 1" << "abort" << "block 1" << "pause 0" << "progress 0 1";
    else
        expected << "pause 1" << "abort" << "read 2" << "read 15" << "read 18" << "block 1"
                 << "pause 0" << "progress 2 1";
    QCOMPARE(device.log, expected);

    device.log.clear();
    for (const QString &step : steps) {
        if (step == "cancel")
            read.cancel();
        else if (step == "start")
            read.start(numbers.toVector());
        else
            read.advance(step.toInt());
    }
    QCOMPARE(device.log, after);
    QCOMPARE(read.isRunning(), running);
}

QTEST_GUILESS_MAIN(TestZGroupRead)
#include "tst_zgroupread.moc"
