// The serial worker thread against real pseudo-terminals: a byte-level peer driven by the test
// (exact timing of bursts, stale bytes, flow-control stops, hang-ups) and the device emulator.

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include "probeconnection.h"
#include "ptypeer.h"
#include "signallog.h"
#include "zdeviceemulator.h"
#include "zfastprotocolhendler.h"
#include "zserialconnection.h"
#include "zserialportprops.h"

namespace {

QByteArray le16(int value)
{
    QByteArray bytes;
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
    return bytes;
}

QByteArray readRequest(int reg)
{
    return ZFastProtocolHendler::makeFrame(QByteArray::fromHex("ff0003") + le16(reg));
}

QByteArray readReply(int reg, const QByteArray &value)
{
    return ZFastProtocolHendler::makeFrame(QByteArray::fromHex("00ff04") + le16(reg) + value);
}

// What the protocol handler cuts out of a reply: everything but the end pair.
QByteArray frameOf(const QByteArray &reply)
{
    return reply.left(reply.size() - 2);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

ZSerialPortProps propsFor(const QString &name)
{
    ZSerialPortProps props;
    props.name = name;
    return props;
}

// The lines of a worker that configures and opens the port and announces itself.
QStringList openingLines(const ZSerialPortProps &props)
{
    return {"serialNameChanged " + props.name,
            "detailsAppl " + props.toString(),
            "msg Attempting to open serial " + props.toString(),
            "serialOpened",
            "msg Serial opened " + props.name,
            "msg Serial device started on " + props.name,
            "running"};
}

QStringList closingLines(const QString &name)
{
    return {"msg Attempting to close serial " + name, "msg Serial closed " + name,
            "serialClosed"};
}

QStringList exchangeLines(const QByteArray &request, const QByteArray &reply)
{
    return {"sent " + hex(request), "dataIn " + hex(reply), "received " + hex(frameOf(reply))};
}

QStringList only(const QStringList &lines, const QStringList &prefixes)
{
    QStringList kept;
    for (const QString &line : lines)
        for (const QString &prefix : prefixes)
            if (line.startsWith(prefix)) {
                kept << line;
                break;
            }
    return kept;
}

const QByteArray Status = QByteArray::fromHex("3412");

} // namespace

class TestSerialConnection : public QObject
{
    Q_OBJECT

private slots:
    void details_data();
    void details();
    void firstSend();
    void readPhase_data();
    void readPhase();
    void staleInputDiscarded();
    void changedSettings_data();
    void changedSettings();
    void stop_data();
    void stop();
    void sendRightAfterStop();
    void openFailure_data();
    void openFailure();
    void wakeWithoutRequest();
    void requestWhileBusy_data();
    void requestWhileBusy();
    void writeFailures_data();
    void writeFailures();
    void hangUp_data();
    void hangUp();
    void emulatorFaults_data();
    void emulatorFaults();
    void emulatorHangUp();
    void queuedDelivery();

private:
    // One request answered by the peer; false (with a test failure) if it did not go through.
    bool exchange(ZSerialConnection &connection, SignalLog &log, PtyPeer &peer,
                  const QByteArray &request, const QByteArray &reply);
};

bool TestSerialConnection::exchange(ZSerialConnection &connection, SignalLog &log, PtyPeer &peer,
                                    const QByteArray &request, const QByteArray &reply)
{
    const int before = log.count("received");
    connection.send(request);
    const QByteArray got = peer.readRequest(3000);
    if (got != request) {
        QTest::qFail(qPrintable("peer got " + hex(got)), __FILE__, __LINE__);
        return false;
    }
    peer.write(reply);
    if (!log.waitFor("received", before + 1)) {
        QTest::qFail("no received", __FILE__, __LINE__);
        return false;
    }
    return true;
}

void TestSerialConnection::details_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QVariant>("given");
    QTest::addColumn<QString>("expected");

    ZSerialPortProps custom;
    custom.name = "ttyUSB3";
    custom.baudRate = 9600;
    custom.dataBits = 7;
    custom.stopBits = 1;
    custom.parity = 2;
    custom.flowControl = 1;

    QTest::newRow("never set") << false << QVariant() << "COM1 115200 8 2 0 0";
    QTest::newRow("settings") << true << custom.toVariant() << "ttyUSB3 9600 7 1 2 1";
    QTest::newRow("empty variant") << true << QVariant() << "COM1 115200 8 2 0 0";
    QTest::newRow("number") << true << QVariant(42) << "COM1 115200 8 2 0 0";
    QTest::newRow("text") << true << QVariant(QString("ttyS0")) << "COM1 115200 8 2 0 0";
}

void TestSerialConnection::details()
{
    QFETCH(bool, set);
    QFETCH(QVariant, given);
    QFETCH(QString, expected);

    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    // Something else first, so that an unrelated variant visibly resets everything.
    ZSerialPortProps other;
    other.name = "ttyACM1";
    other.baudRate = 57600;
    if (set) {
        connection.setPortProps(other);
        connection.setDetails(given);
    }
    const QVariant details = connection.details();
    QCOMPARE(details.userType(), qMetaTypeId<ZSerialPortProps>());
    QCOMPARE(details.value<ZSerialPortProps>().toString(), expected);
    QCOMPARE(connection.type(), 1);
    QVERIFY(!connection.isRunning());
}

void TestSerialConnection::firstSend()
{
    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());

    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);
    QVERIFY(exchange(connection, log, peer, request, reply));

    QCOMPARE(log.lines(),
             openingLines(propsFor(peer.path())) + exchangeLines(request, reply));
    QVERIFY(connection.isRunning());
}

void TestSerialConnection::readPhase_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("expected");

    const QByteArray reply = readReply(1, Status);
    const QByteArray head = reply.left(6);
    const QByteArray tail = reply.mid(6);
    const QByteArray noise = QByteArray::fromHex("55aafe01fc00");
    const QString frame = "received " + hex(frameOf(reply));

    QTest::newRow("one burst") << QByteArrayList{reply} << 0
                               << QStringList{"dataIn " + hex(reply), frame};
    QTest::newRow("two bursts 50 ms apart")
        << QByteArrayList{head, tail} << 50
        << QStringList{"dataIn " + hex(head), "dataIn " + hex(tail), frame};
    QTest::newRow("gap under 10 ms is one burst")
        << QByteArrayList{head, tail} << 2 << QStringList{"dataIn " + hex(reply), frame};
    QTest::newRow("noise before the reply")
        << QByteArrayList{noise + reply} << 0
        << QStringList{"dataIn " + hex(noise + reply), frame};
    QTest::newRow("no reply") << QByteArrayList{} << 0 << QStringList{"timeout"};
    QTest::newRow("half a reply")
        << QByteArrayList{head} << 0 << QStringList{"dataIn " + hex(head), "timeout"};
}

void TestSerialConnection::readPhase()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(int, gapMs);
    QFETCH(QStringList, expected);

    const int readTimeout = 400;
    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    connection.setReadTimeout(readTimeout);

    const QByteArray request = readRequest(1);
    connection.send(request);
    QCOMPARE(peer.readRequest(3000), request);
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    for (int i = 0; i < chunks.size(); ++i) {
        if (i > 0)
            QThread::msleep(gapMs);
        peer.write(chunks.at(i));
    }
    const bool timesOut = expected.last() == "timeout";
    QVERIFY(log.waitFor(timesOut ? "timeout" : "received", 1, 3000));
    if (timesOut) {
        QVERIFY2(sinceWrite.elapsed() >= readTimeout - 20, qPrintable(QString::number(sinceWrite.elapsed())));
        QVERIFY2(sinceWrite.elapsed() < readTimeout + 300, qPrintable(QString::number(sinceWrite.elapsed())));
    }

    const QStringList lines = log.lines();
    const int sent = lines.indexOf("sent " + hex(request));
    QVERIFY(sent >= 0);
    QCOMPARE(lines.mid(sent + 1), expected);
}

void TestSerialConnection::staleInputDiscarded()
{
    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    connection.setReadTimeout(200);

    // The first request is answered too late: its reply lands while the worker sleeps.
    const QByteArray first = readRequest(1);
    connection.send(first);
    QCOMPARE(peer.readRequest(3000), first);
    QVERIFY(log.waitFor("timeout"));
    peer.write(readReply(1, Status));
    QThread::msleep(50);

    const QByteArray second = readRequest(2);
    const QByteArray secondReply = readReply(2, QByteArray::fromHex("e803"));
    log.clear();
    QVERIFY(exchange(connection, log, peer, second, secondReply));
    QCOMPARE(log.lines(), exchangeLines(second, secondReply));
}

void TestSerialConnection::changedSettings_data()
{
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<bool>("reopens");

    QTest::newRow("baud rate changed") << 9600 << true;
    QTest::newRow("same settings") << 115200 << false;
}

void TestSerialConnection::changedSettings()
{
    QFETCH(int, baudRate);
    QFETCH(bool, reopens);

    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);
    QVERIFY(exchange(connection, log, peer, request, reply));
    QCOMPARE(peer.outputBaud(), 115200);

    ZSerialPortProps props = propsFor(peer.path());
    props.baudRate = baudRate;
    log.clear();
    connection.setDetails(props.toVariant());
    // Nothing happens before the next request.
    QTest::qWait(50);
    QCOMPARE(log.lines(), QStringList());

    QVERIFY(exchange(connection, log, peer, request, reply));
    QStringList expected;
    if (reopens) {
        QStringList opening = openingLines(props);
        opening.removeLast(); // announced once per worker start, not per open
        opening.removeLast();
        expected << closingLines(peer.path()) << opening;
    }
    expected << exchangeLines(request, reply);
    QCOMPARE(log.lines(), expected);
    QCOMPARE(peer.outputBaud(), baudRate);
}

void TestSerialConnection::stop_data()
{
    QTest::addColumn<bool>("awaitingReply");

    QTest::newRow("asleep") << false;
    QTest::newRow("awaiting a reply") << true;
}

void TestSerialConnection::stop()
{
    QFETCH(bool, awaitingReply);

    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);

    QStringList expected;
    if (awaitingReply) {
        connection.send(request);
        QCOMPARE(peer.readRequest(3000), request);
        QVERIFY(log.waitFor("sent"));
        log.clear();
        connection.stopConnection();
        QThread::msleep(50);
        peer.write(reply);
        // The transaction in hand is finished before the worker ends.
        expected << exchangeLines(request, reply).mid(1);
    } else {
        connection.send(QByteArray());
        QVERIFY(log.waitFor("running"));
        log.clear();
        QElapsedTimer timer;
        timer.start();
        connection.stopConnection();
        QVERIFY(connection.wait(3000));
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    }
    QVERIFY(connection.wait(3000));
    QVERIFY(log.waitFor("finished"));
    expected << closingLines(peer.path()) << "finished";
    QCOMPARE(log.lines(), expected);
    QVERIFY(!connection.isRunning());

    // A later request starts a new worker, which announces itself again.
    log.clear();
    QVERIFY(exchange(connection, log, peer, request, reply));
    QCOMPARE(log.lines(),
             openingLines(propsFor(peer.path())) + exchangeLines(request, reply));
}

void TestSerialConnection::sendRightAfterStop()
{
    // The operator stops and starts again while a reply is still on its way: the stop ends the
    // session after that transaction, the request is served by a new one.
    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    const QByteArray first = readRequest(1);
    const QByteArray firstReply = readReply(1, Status);
    const QByteArray next = readRequest(2);
    const QByteArray nextReply = readReply(2, QByteArray::fromHex("0100"));

    connection.send(first);
    QCOMPARE(peer.readRequest(3000), first);
    QVERIFY(log.waitFor("sent"));
    log.clear();
    connection.stopConnection();
    connection.send(next);
    QThread::msleep(30);
    peer.write(firstReply);
    QCOMPARE(peer.readRequest(3000), next);
    peer.write(nextReply);
    QVERIFY(log.waitFor("received", 2));

    QStringList opening = openingLines(propsFor(peer.path()));
    QCOMPARE(log.lines(), exchangeLines(first, firstReply).mid(1) + closingLines(peer.path())
                 + opening + exchangeLines(next, nextReply));
    QVERIFY(connection.isRunning());
}

void TestSerialConnection::openFailure_data()
{
    QTest::addColumn<QString>("name");

    // Unique per process: QSerialPort keeps a lock file named after the device.
    QTest::newRow("missing device")
        << "/nonexistent/ttyTARN" + QString::number(QCoreApplication::applicationPid());
    QTest::newRow("empty name") << "";
}

void TestSerialConnection::openFailure()
{
    QFETCH(QString, name);

    QStringList expected;
    if (name.isEmpty()) {
        expected << "critical Serial name is empty";
    } else {
        QSerialPort probe(name);
        QVERIFY(!probe.open(QIODevice::ReadWrite));
        const ZSerialPortProps props = propsFor(name);
        expected << "serialNameChanged " + name << "detailsAppl " + props.toString()
                 << "msg Attempting to open serial " + props.toString()
                 << "critical " + probe.errorString();
    }
    expected << "finished";

    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(name);
    const QByteArray request = readRequest(1);

    // Every request tries again, and fails the same way.
    for (int attempt = 0; attempt < 2; ++attempt) {
        log.clear();
        connection.send(request);
        QVERIFY(log.waitFor("finished"));
        QCOMPARE(log.lines(), expected);
        QVERIFY(!connection.isRunning());
    }
    QCOMPARE(peer.readFor(50), QByteArray());

    // Once the port exists the worker serves, and announces its start: it never got that far.
    log.clear();
    connection.setPortName(peer.path());
    const QByteArray reply = readReply(1, Status);
    QVERIFY(exchange(connection, log, peer, request, reply));
    QCOMPARE(log.lines(),
             openingLines(propsFor(peer.path())) + exchangeLines(request, reply));
}

void TestSerialConnection::wakeWithoutRequest()
{
    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ProbeConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());
    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);
    QVERIFY(exchange(connection, log, peer, request, reply));

    log.clear();
    for (int i = 0; i < 5; ++i) {
        connection.wakeWithoutRequest();
        QThread::msleep(10);
    }
    QCOMPARE(peer.readFor(150), QByteArray());
    QCOMPARE(log.lines(), QStringList());

    QVERIFY(exchange(connection, log, peer, request, reply));
}

void TestSerialConnection::requestWhileBusy_data()
{
    QTest::addColumn<QList<int>>("whileBusy");
    QTest::addColumn<int>("written");

    QTest::newRow("one request") << QList<int>{2} << 2;
    QTest::newRow("the latest of two") << QList<int>{2, 3} << 3;
}

void TestSerialConnection::requestWhileBusy()
{
    QFETCH(QList<int>, whileBusy);
    QFETCH(int, written);

    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(peer.path());

    const QByteArray first = readRequest(1);
    const QByteArray firstReply = readReply(1, Status);
    connection.send(first);
    QCOMPARE(peer.readRequest(3000), first);
    for (int reg : qAsConst(whileBusy))
        connection.send(readRequest(reg));
    QThread::msleep(30);
    peer.write(firstReply);

    // No further send: the request stored meanwhile goes out on its own.
    const QByteArray next = readRequest(written);
    const QByteArray nextReply = readReply(written, QByteArray::fromHex("0100"));
    QCOMPARE(peer.readRequest(3000), next);
    peer.write(nextReply);
    QVERIFY(log.waitFor("received", 2));
    QCOMPARE(peer.readFor(100), QByteArray());

    const QStringList expected = only(exchangeLines(first, firstReply), {"sent", "received"})
        + only(exchangeLines(next, nextReply), {"sent", "received"});
    QCOMPARE(only(log.lines(), {"sent", "received"}), expected);
}

void TestSerialConnection::writeFailures_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("ends");

    // F: the peer holds the line with XOFF, so the write cannot complete; G: a good exchange.
    QTest::newRow("four failures, a good one, four more") << "FFFFGFFFF" << false;
    QTest::newRow("five failures in a row") << "FFFFF" << true;
}

void TestSerialConnection::writeFailures()
{
    QFETCH(QString, pattern);
    QFETCH(bool, ends);

    const char xoff = 0x13;
    const char xon = 0x11;
    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);
    // Software flow control acts on these bytes in both directions; the frames must avoid them.
    QVERIFY(!request.contains(xoff) && !request.contains(xon));
    QVERIFY(!reply.contains(xoff) && !reply.contains(xon));

    PtyPeer peer;
    QVERIFY(peer.open());
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    ZSerialPortProps props = propsFor(peer.path());
    props.flowControl = 2;
    connection.setPortProps(props);
    connection.setWriteTimeout(50);
    connection.send(QByteArray());
    QVERIFY(log.waitFor("running"));

    int failures = 0;
    bool held = false;
    for (const QChar step : pattern) {
        if (step == 'F') {
            if (!held)
                peer.write(QByteArray(1, xoff));
            held = true;
            QThread::msleep(20);
            connection.send(request);
            ++failures;
            if (failures < 5 || !ends)
                QVERIFY(log.waitFor("writeFail", failures));
        } else {
            peer.write(QByteArray(1, xon));
            held = false;
            QThread::msleep(20);
            QVERIFY(exchange(connection, log, peer, request, reply));
        }
    }

    const QStringList lines = log.lines();
    if (ends) {
        QVERIFY(log.waitFor("finished"));
        const QStringList tail = QStringList{"critical Serial write fails 5 times in row"}
            + closingLines(peer.path()) + QStringList{"finished"};
        QCOMPARE(log.lines().mid(log.lines().size() - tail.size()), tail);
        QCOMPARE(log.count("writeFail"), 4);
        QCOMPARE(log.count("sent"), 0);

        // The next request opens the port again and announces the new start.
        peer.write(QByteArray(1, xon));
        QThread::msleep(20);
        log.clear();
        QVERIFY(exchange(connection, log, peer, request, reply));
        QCOMPARE(log.lines(), openingLines(props) + exchangeLines(request, reply));
    } else {
        QCOMPARE(log.count("writeFail"), failures);
        QCOMPARE(log.count("critical"), 0);
        QCOMPARE(log.count("serialClosed"), 0);
        QVERIFY(connection.isRunning());
        // Nothing of the abandoned requests follows a good one later.
        peer.write(QByteArray(1, xon));
        QCOMPARE(peer.readFor(100), QByteArray());
    }
}

void TestSerialConnection::hangUp_data()
{
    QTest::addColumn<bool>("awaitingReply");

    QTest::newRow("while asleep") << false;
    QTest::newRow("while awaiting a reply") << true;
}

void TestSerialConnection::hangUp()
{
    QFETCH(bool, awaitingReply);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("tarn-link");
    PtyPeer peer;
    QVERIFY(peer.open(link));
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(link);
    const int readTimeout = 2000;
    connection.setReadTimeout(readTimeout);
    const QByteArray request = readRequest(1);
    const QByteArray reply = readReply(1, Status);
    QVERIFY(exchange(connection, log, peer, request, reply));

    // The line goes dead: the outcome comes at once, and the port is closed.
    log.clear();
    QElapsedTimer timer;
    timer.start();
    QString outcome;
    if (awaitingReply) {
        connection.send(request);
        QCOMPARE(peer.readRequest(3000), request);
        peer.hangUp();
        outcome = "timeout";
    } else {
        peer.hangUp();
        connection.send(request);
        outcome = "writeFail";
    }
    QVERIFY(log.waitFor("serialClosed"));
    QVERIFY2(timer.elapsed() < readTimeout / 2, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(only(log.lines(), {"timeout", "writeFail", "received", "msg", "serialClosed"}),
             QStringList{outcome} + closingLines(link));
    QVERIFY(!connection.isRunning());

    // While it stays dead, a request ends the worker with the open failure.
    log.clear();
    connection.send(request);
    QVERIFY(log.waitFor("finished"));
    QCOMPARE(log.count("critical"), 1);

    // Back again: the next request starts a new worker, which announces itself (the device
    // waits for running() before it polls) and is served.
    QVERIFY(peer.open(link));
    log.clear();
    QVERIFY(exchange(connection, log, peer, request, reply));
    QCOMPARE(log.lines(), openingLines(propsFor(link)) + exchangeLines(request, reply));
    QVERIFY(connection.isRunning());
}

// The status register of the emulated receiver, the register every poll reads.
ZRegister statusRegisterOf(const ZDeviceEmulator &emulator)
{
    const RegisterTable table = emulator.registers();
    for (const ZRegister &reg : table)
        if (reg.number().toInt() == emulator.statusRegister())
            return reg;
    return ZRegister();
}

void TestSerialConnection::emulatorFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("bursts");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("parseResult");

    QTest::newRow("none") << "none" << 1 << true << 0;
    QTest::newRow("reply in two parts 50 ms apart") << "split" << 2 << true << 0;
    QTest::newRow("noise before the reply") << "noise" << 1 << true << 0;
    QTest::newRow("reply dropped") << "drop" << 0 << false << 0;
    QTest::newRow("error reply") << "error" << 1 << true << 7;
    // Not the link's business: the frame is handed on and the device rejects it.
    QTest::newRow("bad CRC") << "crc" << 1 << true << 1;
}

void TestSerialConnection::emulatorFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, bursts);
    QFETCH(bool, answered);
    QFETCH(int, parseResult);

    QTemporaryDir dir;
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator.start(dir.filePath("ttyTARN")), qPrintable(emulator.errorString()));
    const ZRegister status = statusRegisterOf(emulator);
    QVERIFY(status.length() > 0);
    if (fault == "split")
        emulator.setSplitReply(true, 50);
    else if (fault == "noise")
        emulator.setNoise(QByteArray::fromHex("55aa01fc"));
    else if (fault == "drop")
        emulator.setDropReplies(1);
    else if (fault == "error")
        emulator.setErrorReply(1, 2);
    else if (fault == "crc")
        emulator.setCorruptCrc(1);

    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(emulator.portPath());
    const int readTimeout = 300;
    connection.setReadTimeout(readTimeout);
    const QByteArray request = handler.buildReadRequest(status, 1);
    connection.send(request);
    QVERIFY(log.waitFor(answered ? "received" : "timeout", 1, 3000));

    const QStringList lines = log.lines();
    QCOMPARE(only(lines, {"sent", "received", "timeout"}).first(), "sent " + hex(request));
    QCOMPARE(log.count("dataIn"), bursts);
    QCOMPARE(log.count("timeout"), answered ? 0 : 1);
    if (answered) {
        const QString line = only(lines, {"received"}).first();
        const QByteArray frame = QByteArray::fromHex(line.mid(9).toLatin1());
        QVERIFY(frame.startsWith("\xFE\xFE"));
        QByteArray value;
        QCOMPARE(handler.parseResponse(value, frame, status, 0), parseResult);
        if (parseResult == 0)
            QCOMPARE(value.size(), status.length());
    }

    // Whatever happened, the next poll is served normally.
    emulator.setDropReplies(0);
    emulator.setNoise(QByteArray());
    emulator.setSplitReply(false);
    log.clear();
    connection.send(request);
    QVERIFY(log.waitFor("received", 1, 3000));
}

void TestSerialConnection::emulatorHangUp()
{
    QTemporaryDir dir;
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator.start(dir.filePath("ttyTARN")), qPrintable(emulator.errorString()));
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    SignalLog log(&connection);
    connection.setPortName(emulator.portPath());
    connection.setReadTimeout(500);
    const QByteArray request = handler.buildReadRequest(statusRegisterOf(emulator), 1);
    connection.send(request);
    QVERIFY(log.waitFor("received"));

    const int downMs = 800;
    emulator.hangUp(downMs);
    QElapsedTimer timer;
    timer.start();
    // Polls while the line is down fail, none hangs: the first finds the dead port and closes
    // it, the next cannot open it again.
    log.clear();
    connection.send(request);
    QVERIFY(log.waitFor("serialClosed"));
    QCOMPARE(log.count("writeFail") + log.count("timeout"), 1);
    connection.send(request);
    QVERIFY(log.waitFor("critical"));
    QVERIFY(connection.wait(1000));
    QVERIFY2(timer.elapsed() < downMs, qPrintable(QString::number(timer.elapsed())));

    // The emulator is back on a fresh pty behind the same link.
    QTest::qWait(downMs - int(timer.elapsed()) + 200);
    log.clear();
    connection.send(request);
    QVERIFY(log.waitFor("received", 1, 3000));
    QVERIFY(connection.isRunning());
}

void TestSerialConnection::queuedDelivery()
{
    // The device's way of listening: queued connections into the GUI thread, the next poll sent
    // from there when the previous outcome has arrived.
    QTemporaryDir dir;
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator.start(dir.filePath("ttyTARN")), qPrintable(emulator.errorString()));
    emulator.setSplitReply(true, 20);
    ZFastProtocolHendler handler;
    ZSerialConnection connection(&handler);
    connection.setPortName(emulator.portPath());
    const QByteArray request = handler.buildReadRequest(statusRegisterOf(emulator), 1);

    const int polls = 20;
    QStringList events;
    QObject receiver;
    const auto queued = Qt::QueuedConnection;
    connect(&connection, &ZAbstractConnection::running, &receiver,
            [&] { events << "running"; connection.send(request); }, queued);
    connect(&connection, &ZAbstractConnection::sent, &receiver,
            [&](QByteArray data) { events << (data == request ? "sent" : "sent other"); }, queued);
    connect(&connection, &ZAbstractConnection::dataIn, &receiver,
            [&](QByteArray) { events << "dataIn"; }, queued);
    connect(&connection, &ZAbstractConnection::received, &receiver, [&](QByteArray frame) {
        events << "received";
        QByteArray value;
        if (handler.parseResponse(value, frame, statusRegisterOf(emulator), 0) != 0)
            events << "bad frame";
        if (events.count("received") < polls)
            connection.send(request);
    }, queued);
    connect(&connection, &ZAbstractConnection::timeout, &receiver, [&] { events << "timeout"; },
            queued);

    connection.send(QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(events.count("received"), polls, 10000);
    connection.stopConnection();
    QVERIFY(connection.wait(3000));
    QCoreApplication::processEvents();

    QStringList expected{"running"};
    for (int i = 0; i < polls; ++i)
        expected << "sent" << "dataIn" << "dataIn" << "received";
    QCOMPARE(events, expected);
    QCOMPARE(emulator.statusPolls(), quint64(polls));
}

QTEST_GUILESS_MAIN(TestSerialConnection)

#include "tst_serialconnection.moc"
