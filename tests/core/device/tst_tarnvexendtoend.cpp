// The receiver device through the real serial worker, a pseudo-terminal and the emulator.

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

#include "emulatorrig.h"
#include "zabstractconnection.h"

class TestTarnVexEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusDecoded();
    void readAndConfirmedWrite_data();
    void readAndConfirmedWrite();
    void defectiveRepliesFailTheRegister_data();
    void defectiveRepliesFailTheRegister();
    void droppedRepliesDisconnectAndReconnect();
    void hangUpAndComeBack();
    void longOutageSaidOnceAndStopEndsRetries();
    void startLikeNoiseBeforeReplies_data();
    void startLikeNoiseBeforeReplies();
    void pacedLine_data();
    void pacedLine();
    void stopAndStartAgain();

private:
    // One device graph built as start-up builds it, pointed at an emulator of its own.
    EmulatorRig *m_stack = nullptr;
};

void TestTarnVexEndToEnd::init()
{
    m_stack = new EmulatorRig(250);
    QVERIFY(m_stack->startEmulator());
}

void TestTarnVexEndToEnd::cleanup()
{
    delete m_stack;
    m_stack = nullptr;
}

void TestTarnVexEndToEnd::statusDecoded()
{
    ZTarnVex *device = m_stack->device.get();
    m_stack->emulator.setLock(true);
    m_stack->emulator.setSignalPower(-42.5);
    m_stack->emulator.setOutputVoltage(3.25);
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy frames(device, &ZTarnVex::spectrFrame);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= 3, 5000);

    QCOMPARE(device->lock(), 1);
    QCOMPARE(device->power(), -42.5f);
    QCOMPARE(device->voltage(), 3.25f);
    QCOMPARE(device->frequency(), int(m_stack->emulator.frequency()));
    for (const QList<QVariant> &args : qAsConst(frames)) {
        const int no = args.at(0).toInt();
        QVERIFY(no >= 0 && no < 64);
        const SpectrFrame frame = args.at(1).value<SpectrFrame>();
        QCOMPARE(frame.size(), 32);
        for (double level : frame)
            QVERIFY(level >= -200.0 && level < 50.0);
    }
    QVERIFY(!device->isAlarmActive(0));
}

void TestTarnVexEndToEnd::readAndConfirmedWrite_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");
    // 12.3 is not exact in single precision: the echo differs from the request by rounding.
    QTest::newRow("average power, float") << 15 << QVariant(-12.3) << QVariant(-12.3f);
    QTest::newRow("frequency, 4-byte int") << 18 << QVariant(3500000) << QVariant(3500000u);
    QTest::newRow("call sign, string") << 30 << QVariant(QStringLiteral("Тарн-7")) << QVariant(QStringLiteral("Тарн-7"));
}

void TestTarnVexEndToEnd::readAndConfirmedWrite()
{
    QFETCH(int, number);
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    QList<int> states;
    connect(device, &ZAbstractDevice::paketRcv, this, [&](const QVariant &id) {
        if (id.toInt() == number)
            states << m_stack->reg(number)->state();
    });
    QSignalSpy errors(device, &ZAbstractDevice::paketError);
    device->writeData(number, value, true);
    QTRY_COMPARE_WITH_TIMEOUT(states, (QList<int>{5, 6}), 5000);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(m_stack->reg(number)->value(), expected);

    // A plain read brings the device's value back.
    states.clear();
    device->readData(number);
    QTRY_COMPARE_WITH_TIMEOUT(states, QList<int>{1}, 5000);
    QCOMPARE(m_stack->reg(number)->value(), expected);
}

void TestTarnVexEndToEnd::defectiveRepliesFailTheRegister_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("text");
    QTest::newRow("error reply") << "error"
                                 << "Чтение регистра невозможно, либо регистр не найден. Ответ ошибкой 2";
    QTest::newRow("corrupted crc") << "crc" << "Bad CRC";
}

void TestTarnVexEndToEnd::defectiveRepliesFailTheRegister()
{
    QFETCH(QString, fault);
    QFETCH(QString, text);
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
    // No polling in between, so the fault hits the read. Transactions go one at a time: once a
    // read has been answered, the poll that may have been on the line is over too.
    device->setProperty("autoask", false);
    QSignalSpy received(device, &ZAbstractDevice::paketRcv);
    device->readData(18);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);

    QSignalSpy errors(device, &ZAbstractDevice::paketError);
    if (fault == "error")
        m_stack->emulator.setErrorReply(1, 2);
    else
        m_stack->emulator.setCorruptCrc(1);
    device->readData(18);
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 5000);
    QCOMPARE(errors.at(0).at(0).toInt(), 18);
    QCOMPARE(errors.at(0).at(1).toString(), text);
    QCOMPARE(m_stack->reg(18)->state(), 3);
    QCOMPARE(m_stack->reg(18)->errorText(), text);
    QVERIFY(device->isConnected());

    // The next read is clean again.
    device->readData(18);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 2, 5000);
    QCOMPARE(m_stack->reg(18)->state(), 1);
}

void TestTarnVexEndToEnd::droppedRepliesDisconnectAndReconnect()
{
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy timeouts(device, &ZAbstractDevice::paketTimeout);
    // What the device shows at the moment it gives up: the next poll may reconnect it before
    // the test gets to look.
    struct AtDisconnection { int lock; float power; };
    QList<AtDisconnection> seen;
    connect(device, &ZAbstractDevice::disconnected, this, [&] {
        seen << AtDisconnection{device->lock(), device->power()};
    });
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    m_stack->emulator.setDropReplies(3);
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 1, 5000);
    QCOMPARE(seen.at(0).lock, -1); // measurements reset on disconnection
    QVERIFY(std::isnan(seen.at(0).power));
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, 5000);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(timeouts.count(), 3);
}

void TestTarnVexEndToEnd::hangUpAndComeBack()
{
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy initStarts(device, &ZAbstractDevice::initStart);
    QSignalSpy finished(device, &ZAbstractDevice::finished);
    QSignalSpy critical(device, &ZAbstractDevice::critical);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    // While the line is down the next poll cannot open the port again: the link ends with the
    // port's error, and two seconds later the device tries again by itself.
    m_stack->emulator.hangUp(400);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QVERIFY(!device->isStarted());
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, 8000);
    QCOMPARE(initStarts.count(), 2);
    QCOMPARE(critical.count(), 1);
    const quint64 served = m_stack->emulator.statusPolls();
    QTRY_VERIFY_WITH_TIMEOUT(m_stack->emulator.statusPolls() > served + 3, 5000);
}

void TestTarnVexEndToEnd::longOutageSaidOnceAndStopEndsRetries()
{
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy initStarts(device, &ZAbstractDevice::initStart);
    QSignalSpy critical(device, &ZAbstractDevice::critical);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    // Three attempts fail while the port is gone; the failure is said once.
    m_stack->emulator.stop();
    QTRY_COMPARE_WITH_TIMEOUT(initStarts.count(), 4, 10000);
    QCOMPARE(critical.count(), 1);

    // The operator's stop ends the retries, also between two attempts.
    device->stop();
    QTest::qWait(2 * ZAbstractDevice::ReconnectIntervalMs + 200);
    QCOMPARE(initStarts.count(), 4);
    QVERIFY(!device->isStarted());
}

void TestTarnVexEndToEnd::startLikeNoiseBeforeReplies_data()
{
    QTest::addColumn<QByteArray>("noise");
    for (const char *hex : {"fe", "fefe", "fefc", "00fe"})
        QTest::newRow(hex) << QByteArray::fromHex(hex);
}

void TestTarnVexEndToEnd::startLikeNoiseBeforeReplies()
{
    QFETCH(QByteArray, noise);
    ZTarnVex *device = m_stack->device.get();
    m_stack->emulator.setNoise(noise);
    QSignalSpy polls(device, &ZAbstractDevice::statusRcv);
    QSignalSpy errors(device, &ZAbstractDevice::paketError);
    device->start();
    QTRY_VERIFY_WITH_TIMEOUT(polls.count() >= 5, 5000);
    QVERIFY(device->isConnected());
    QCOMPARE(errors.count(), 0);
}

void TestTarnVexEndToEnd::pacedLine_data()
{
    QTest::addColumn<int>("piece");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("64-byte pieces") << 64;
}

void TestTarnVexEndToEnd::pacedLine()
{
    // At line rate, whether the bytes trickle in or come in an adapter's pieces, every reply is
    // one burst: its gaps stay well under the 10 ms that end one.
    QFETCH(int, piece);
    ZTarnVex *device = m_stack->device.get();
    m_stack->emulator.setPacing(true);
    m_stack->emulator.setChunk(piece);
    // Queued, as the device hears them: a reply's bursts are all counted before its frame. The
    // counters' connections and their queued calls end with this function.
    QObject scope;
    int bursts = 0;
    QList<int> burstsPerPoll;
    connect(device->connection(), &ZAbstractConnection::dataIn, &scope, [&] { ++bursts; },
            Qt::QueuedConnection);
    auto answered = [&] {
        burstsPerPoll << bursts;
        bursts = 0;
    };
    connect(device, &ZAbstractDevice::statusRcv, &scope, answered);
    connect(device, &ZAbstractDevice::paketRcv, &scope, answered); // reads made on connection
    QSignalSpy failures(device, &ZAbstractDevice::paketTimeout);
    device->start();
    QTRY_VERIFY_WITH_TIMEOUT(burstsPerPoll.size() >= 10, 10000);
    QCOMPARE(failures.count(), 0);
    // The emulator's own thread may be kept off the processor for longer than the gap now and
    // then on a loaded machine; a worker that split replies would split most of them.
    QVERIFY2(burstsPerPoll.count(1) >= burstsPerPoll.size() - 2, qPrintable(QString::number(burstsPerPoll.count(1))));
}

void TestTarnVexEndToEnd::stopAndStartAgain()
{
    ZTarnVex *device = m_stack->device.get();
    QSignalSpy started(device, &ZAbstractDevice::started);
    QSignalSpy finished(device, &ZAbstractDevice::finished);
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    // Every request the link wrote, counted on this thread.
    quint64 written = 0;
    QObject counter;
    connect(device->connection(), &ZAbstractConnection::sent, &counter, [&written] { ++written; },
            Qt::QueuedConnection);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
    device->stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QVERIFY(!device->isStarted());
    // The last request may still be on its way to the emulator; after it, nothing more comes.
    QTRY_COMPARE_WITH_TIMEOUT(m_stack->emulator.requestsReceived(), written, 5000);
    const quint64 polls = m_stack->emulator.statusPolls();
    QTest::qWait(200);
    QCOMPARE(m_stack->emulator.statusPolls(), polls);

    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(device->isConnected(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_stack->emulator.statusPolls() > polls + 3, 5000);
}

QTEST_GUILESS_MAIN(TestTarnVexEndToEnd)
#include "tst_tarnvexendtoend.moc"
