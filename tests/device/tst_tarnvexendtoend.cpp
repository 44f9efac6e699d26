// The receiver device through the real serial worker, a pseudo-terminal and the emulator.

#include <QSignalSpy>
#include <QTextCodec>
#include <QtTest>

#include <cmath>

#include "zdeviceemulator.h"
#include "zfastloader.h"
#include "zfastprotocolhendler.h"
#include "zserialconnection.h"
#include "ztarnvex.h"

namespace {

// One device graph built as start-up builds it, pointed at an emulator of its own.
struct Stack
{
    ZDeviceEmulator emulator{QStringLiteral(TARN_DB_PATH)};
    ZTarnVex *device = nullptr;
    ZSerialConnection *connection = nullptr;

    bool open(const QString &link)
    {
        emulator.setDeterministic(true);
        if (!emulator.start(link))
            return false;
        auto *protocol = new ZFastProtocolHendler;
        connection = new ZSerialConnection(protocol);
        auto *table = new RegisterTable;
        loadRegisters(table, QStringLiteral(TARN_DB_PATH));
        device = new ZTarnVex;
        device->setRegisters(table);
        device->setStatusRegister(findStatusRegister(table));
        device->setConnection(connection);
        device->setProtocol(protocol);
        device->setName(QStringLiteral("ТАРН"));
        device->setLatinName(QStringLiteral("TARN"));
        ZSerialPortProps props;
        props.name = emulator.portPath();
        connection->setDetails(QVariant::fromValue(props));
        connection->setReadTimeout(250);
        return true;
    }
    ~Stack() { delete device; }

    ZRegister *reg(int number) { return findRegister(device->registers(), number); }
};

} // namespace

class TestTarnVexEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statusDecoded();
    void readAndConfirmedWrite_data();
    void readAndConfirmedWrite();
    void defectiveRepliesFailTheRegister_data();
    void defectiveRepliesFailTheRegister();
    void droppedRepliesDisconnectAndReconnect();
    void hangUpAndComeBack();
    void stopAndStartAgain();

private:
    QTemporaryDir m_dir;
    Stack *m_stack = nullptr;
};

void TestTarnVexEndToEnd::initTestCase()
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    QVERIFY(m_dir.isValid());
}

void TestTarnVexEndToEnd::init()
{
    m_stack = new Stack;
    QVERIFY2(m_stack->open(m_dir.filePath("ttyTARN")), qPrintable(m_stack->emulator.errorString()));
}

void TestTarnVexEndToEnd::cleanup()
{
    delete m_stack;
    m_stack = nullptr;
}

void TestTarnVexEndToEnd::statusDecoded()
{
    ZTarnVex *device = m_stack->device;
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
    ZTarnVex *device = m_stack->device;
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
    ZTarnVex *device = m_stack->device;
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
    // No polling in between, so the fault hits the read.
    device->setProperty("autoask", false);
    QTest::qWait(100);

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
    QSignalSpy received(device, &ZAbstractDevice::paketRcv);
    device->readData(18);
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 1, 5000);
    QCOMPARE(m_stack->reg(18)->state(), 1);
}

void TestTarnVexEndToEnd::droppedRepliesDisconnectAndReconnect()
{
    ZTarnVex *device = m_stack->device;
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy disconnected(device, &ZAbstractDevice::disconnected);
    QSignalSpy timeouts(device, &ZAbstractDevice::paketTimeout);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    m_stack->emulator.setDropReplies(3);
    QTRY_COMPARE_WITH_TIMEOUT(disconnected.count(), 1, 5000);
    QCOMPARE(timeouts.count(), 3);
    QCOMPARE(device->lock(), -1); // measurements reset on disconnection
    QVERIFY(std::isnan(device->power()));
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, 5000);
    QCOMPARE(disconnected.count(), 1);
}

void TestTarnVexEndToEnd::hangUpAndComeBack()
{
    ZTarnVex *device = m_stack->device;
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    QSignalSpy disconnected(device, &ZAbstractDevice::disconnected);
    QSignalSpy finished(device, &ZAbstractDevice::finished);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);

    m_stack->emulator.hangUp(400);
    QTRY_VERIFY_WITH_TIMEOUT(disconnected.count() >= 1, 5000);
    // The link either finds the port again by itself or ends; an operator's start then
    // brings it back. Either way the program keeps running and reconnects.
    QTRY_VERIFY_WITH_TIMEOUT(connected.count() >= 2 || finished.count() > 0, 8000);
    if (connected.count() < 2) {
        QTRY_VERIFY_WITH_TIMEOUT(m_stack->emulator.isRunning(), 2000);
        QTest::qWait(500);
        device->start();
        QTRY_VERIFY_WITH_TIMEOUT(connected.count() >= 2, 8000);
    }
    const quint64 served = m_stack->emulator.statusPolls();
    QTRY_VERIFY_WITH_TIMEOUT(m_stack->emulator.statusPolls() > served + 3, 5000);
}

void TestTarnVexEndToEnd::stopAndStartAgain()
{
    ZTarnVex *device = m_stack->device;
    QSignalSpy started(device, &ZAbstractDevice::started);
    QSignalSpy finished(device, &ZAbstractDevice::finished);
    QSignalSpy connected(device, &ZAbstractDevice::connected);
    device->start();
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
    device->stop();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QVERIFY(!device->isStarted());
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
