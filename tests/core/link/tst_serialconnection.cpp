// The serial worker thread against real pseudo-terminals: a byte-level peer driven by the test
// (exact timing of bursts, stale bytes, flow-control stops, hang-ups) and the device emulator.

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ordinaryuser.h"
#include "serialfixture.h"
#include "testbytes.h"
#include "zdeviceemulator.h"
#include "zportaccess.h"
#include "zserialportprops.h"

using namespace TestBytes;

namespace {

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
    return {"sent " + hex(request), "dataIn " + hex(reply), "received " + hex(cut(reply))};
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
    void grantAdvice_data();
    void grantAdvice();
    void wakeWithoutRequest();
    void requestWaitsUntilDue();
    void requestWhileBusy_data();
    void requestWhileBusy();
    void writeFailures_data();
    void writeFailures();
    void hangUp_data();
    void hangUp();
    void queuedDelivery();
};

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
    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));

    QCOMPARE(f.log.lines(), openingLines(propsFor(f.peer.path())) + exchangeLines(request, reply));
    QVERIFY(f.connection.isRunning());
}

void TestSerialConnection::readPhase_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QStringList>("expected");

    const QByteArray reply = replyFrame(1, Status);
    const QByteArray head = reply.left(6);
    const QByteArray tail = reply.mid(6);
    const QByteArray noise = QByteArray::fromHex("55aafe01fc00");
    const QString frame = "received " + hex(cut(reply));

    QTest::newRow("one burst") << QByteArrayList{reply} << 0
                               << QStringList{"dataIn " + hex(reply), frame};
    QTest::newRow("two bursts 50 ms apart")
        << QByteArrayList{head, tail} << 50
        << QStringList{"dataIn " + hex(head), "dataIn " + hex(tail), frame};
    QTest::newRow("two writes back to back are one burst")
        << QByteArrayList{head, tail} << 0 << QStringList{"dataIn " + hex(reply), frame};
    QTest::newRow("noise before the reply")
        << QByteArrayList{noise + reply} << 0
        << QStringList{"dataIn " + hex(noise + reply), frame};
    // Checking the frame is the device's business: the link hands on whatever it cut out.
    QByteArray badCrc = reply;
    badCrc[7] = char(badCrc.at(7) ^ 0x01); // a value byte
    QTest::newRow("bad CRC, handed on") << QByteArrayList{badCrc} << 0
                                         << QStringList{"dataIn " + hex(badCrc), "received " + hex(cut(badCrc))};
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
    SerialFixture f;
    QVERIFY(f.open());
    f.connection.setReadTimeout(readTimeout);

    const QByteArray request = readRequest(1);
    // The worker's time-out runs from the end of its write, so it cannot end before this one.
    QElapsedTimer sinceSend;
    sinceSend.start();
    f.connection.send(request);
    QCOMPARE(f.peer.readRequest(3000), request);
    for (int i = 0; i < chunks.size(); ++i) {
        // The gap is what the row is about: a lower bound, whatever the load.
        if (i > 0 && gapMs > 0)
            QThread::msleep(gapMs);
        f.peer.write(chunks.at(i));
    }
    const bool timesOut = expected.last() == "timeout";
    QVERIFY(f.log.waitFor(timesOut ? "timeout" : "received", 1, 3000));
    if (timesOut) {
        const qint64 elapsed = sinceSend.elapsed();
        QVERIFY2(elapsed >= readTimeout && elapsed < readTimeout + 1000, qPrintable(QString::number(elapsed)));
    }

    const QStringList lines = f.log.lines();
    const int sent = lines.indexOf("sent " + hex(request));
    QVERIFY(sent >= 0);
    QCOMPARE(lines.mid(sent + 1), expected);
}

void TestSerialConnection::staleInputDiscarded()
{
    SerialFixture f;
    QVERIFY(f.open());
    f.connection.setReadTimeout(200);

    // The first request is answered too late: its reply lands while the worker sleeps.
    const QByteArray first = readRequest(1);
    const QByteArray late = replyFrame(1, Status);
    f.connection.send(first);
    QCOMPARE(f.peer.readRequest(3000), first);
    QVERIFY(f.log.waitFor("timeout"));
    f.peer.write(late);
    QVERIFY(f.peer.waitInputQueued(late.size()));

    const QByteArray second = readRequest(2);
    const QByteArray secondReply = replyFrame(2, QByteArray::fromHex("e803"));
    f.log.clear();
    QVERIFY(f.exchange(second, secondReply));
    QCOMPARE(f.log.lines(), exchangeLines(second, secondReply));
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

    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));
    QCOMPARE(f.peer.outputBaud(), 115200);

    ZSerialPortProps props = propsFor(f.peer.path());
    props.baudRate = baudRate;
    f.log.clear();
    f.connection.setDetails(props.toVariant());
    // Nothing happens before the next request.
    QTest::qWait(50);
    QCOMPARE(f.log.lines(), QStringList());

    QVERIFY(f.exchange(request, reply));
    QStringList expected;
    if (reopens) {
        QStringList opening = openingLines(props);
        opening.removeLast(); // announced once per worker start, not per open
        opening.removeLast();
        expected << closingLines(f.peer.path()) << opening;
    }
    expected << exchangeLines(request, reply);
    QCOMPARE(f.log.lines(), expected);
    QCOMPARE(f.peer.outputBaud(), baudRate);
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

    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);

    QStringList expected;
    if (awaitingReply) {
        f.connection.send(request);
        QCOMPARE(f.peer.readRequest(3000), request);
        QVERIFY(f.log.waitFor("sent"));
        f.log.clear();
        // The stop is taken under the lock at once; the reply comes after it.
        f.connection.stopConnection();
        f.peer.write(reply);
        // The transaction in hand is finished before the worker ends: the reply is handled
        // whole if it comes before the worker's next look at the stop request (it looks every
        // 50 ms while waiting), otherwise the wait ends as a time-out. Which one comes first is
        // up to the scheduler; never half of the reply, and never both.
        QVERIFY(f.connection.wait(3000));
        QVERIFY(f.log.waitFor("finished"));
        if (f.log.lines().value(0) == QLatin1String("timeout"))
            expected << "timeout";
        else
            expected << exchangeLines(request, reply).mid(1);
    } else {
        f.connection.send(QByteArray());
        QVERIFY(f.log.waitFor("running"));
        f.log.clear();
        QElapsedTimer timer;
        timer.start();
        f.connection.stopConnection();
        QVERIFY(f.connection.wait(3000));
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }
    QVERIFY(f.connection.wait(3000));
    QVERIFY(f.log.waitFor("finished"));
    expected << closingLines(f.peer.path()) << "finished";
    QCOMPARE(f.log.lines(), expected);
    QVERIFY(!f.connection.isRunning());

    // A later request starts a new worker, which announces itself again.
    f.log.clear();
    QVERIFY(f.exchange(request, reply));
    QCOMPARE(f.log.lines(), openingLines(propsFor(f.peer.path())) + exchangeLines(request, reply));
}

void TestSerialConnection::sendRightAfterStop()
{
    // The operator stops and starts again while the device has not answered yet: the wait ends as
    // a time-out at the worker's next look at the stop, the session ends, and a new one serves
    // the request. (A reply racing the stop is the stop test's.)
    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray first = readRequest(1);
    const QByteArray next = readRequest(2);
    const QByteArray nextReply = replyFrame(2, QByteArray::fromHex("0100"));

    f.connection.send(first);
    QCOMPARE(f.peer.readRequest(3000), first);
    QVERIFY(f.log.waitFor("sent"));
    f.log.clear();
    f.connection.stopConnection();
    f.connection.send(next);
    QCOMPARE(f.peer.readRequest(3000), next);
    f.peer.write(nextReply);
    QVERIFY(f.log.waitFor("received"));

    QStringList expected = QStringList{"timeout"} + closingLines(f.peer.path());
    // The worker nearly always finds the stop and the request together and goes straight on; had
    // it looked between the two calls, it ended first and a new worker took the request.
    if (f.log.lines().value(expected.size()) == QLatin1String("finished"))
        expected << "finished";
    expected << openingLines(propsFor(f.peer.path())) + exchangeLines(next, nextReply);
    QCOMPARE(f.log.lines(), expected);
    QVERIFY(f.connection.isRunning());
}

void TestSerialConnection::openFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("missing device") << "missing";
    QTest::newRow("empty name") << "empty";
    QTest::newRow("held by another program") << "held";
    QTest::newRow("no access") << "denied";
}

void TestSerialConnection::openFailure()
{
    QFETCH(QString, how);

    // A node the operator may not use, as a USB adapter is root's and the dialout group's. Root
    // may open anything, so root makes it and it is opened as nobody; an ordinary user takes
    // their own rights from a node of their own.
    QTemporaryDir nodeDir;
    QString denied = qEnvironmentVariable("TARN_DENIED_NODE");
    if (how == "denied" && denied.isEmpty()) {
        denied = nodeDir.filePath(QStringLiteral("ttyDENIED"));
        QFile node(denied);
        QVERIFY(node.open(QIODevice::WriteOnly));
        node.close();
        if (::geteuid() == 0) {
            QVERIFY(QFile::setPermissions(nodeDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                             | QFile::ReadOther | QFile::ExeOther));
            const struct group *dialout = ::getgrnam("dialout");
            QVERIFY(::chown(QFile::encodeName(denied).constData(), 0, dialout ? dialout->gr_gid : 0) == 0);
            QVERIFY(::chmod(QFile::encodeName(denied).constData(), 0660) == 0);
            qputenv("TARN_DENIED_NODE", QFile::encodeName(denied));
            const OrdinaryUser::Run run = OrdinaryUser::rerun("openFailure");
            qunsetenv("TARN_DENIED_NODE");
            if (run.unreachable)
                QSKIP("The build lies where an ordinary user may not run it");
            QVERIFY2(run.passed, qPrintable(run.output));
            return;
        }
        QVERIFY(::chmod(QFile::encodeName(denied).constData(), 0) == 0);
    }

    SerialFixture f;
    QVERIFY(f.open());
    // A missing device's name is unique per process: QSerialPort keeps a lock file named after
    // the device.
    const QString name = how == "held" ? f.peer.path() : how == "denied" ? denied : how == "missing"
        ? "/nonexistent/ttyTARN" + QString::number(QCoreApplication::applicationPid()) : QString();
    QSerialPort holder(name);
    if (how == "held")
        QVERIFY(holder.open(QIODevice::ReadWrite));

    // The operator reads which port failed and why.
    QStringList expected;
    if (name.isEmpty()) {
        expected << "critical Serial name is empty";
    } else {
        QSerialPort probe(name);
        QVERIFY(!probe.open(QIODevice::ReadWrite));
        const ZSerialPortProps props = propsFor(name);
        // Refused access is said with what grants it (its wording has its own test).
        const QString advice = ZPortAccess::grantAdvice(name);
        QVERIFY(how != "denied" || !advice.isEmpty());
        const QString why = how == "held"
            ? QStringLiteral("Порт %1 занят другой программой (%2)").arg(name, probe.errorString())
            : how == "denied" ? QStringLiteral("Нет доступа к порту %1 (%2): %3").arg(name, probe.errorString(), advice)
                              : QStringLiteral("Не удалось открыть порт %1: %2").arg(name, probe.errorString());
        expected << "serialNameChanged " + name << "detailsAppl " + props.toString()
                 << "msg Attempting to open serial " + props.toString() << "critical " + why;
    }
    expected << "finished";

    f.connection.setPortName(name);
    const QByteArray request = readRequest(1);

    // Every request tries again, and fails the same way.
    for (int attempt = 0; attempt < 2; ++attempt) {
        f.log.clear();
        f.connection.send(request);
        QVERIFY(f.log.waitFor("finished"));
        QCOMPARE(f.log.lines(), expected);
        QVERIFY(!f.connection.isRunning());
    }
    QCOMPARE(f.peer.readFor(50), QByteArray());

    // Once the port exists (or is let go) the worker serves, and announces its start: it never
    // got that far.
    holder.close();
    f.log.clear();
    f.connection.setPortName(f.peer.path());
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));
    QCOMPARE(f.log.lines(), openingLines(propsFor(f.peer.path())) + exchangeLines(request, reply));
}

void TestSerialConnection::grantAdvice_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("group"); // the node's; empty: the user's own
    QTest::addColumn<bool>("byGroup");
    QTest::newRow("the group may read and write") << 0660 << "dialout" << true;
    QTest::newRow("another group") << 0660 << "nogroup" << true;
    QTest::newRow("only the owner") << 0600 << "" << false;
    // A grant that joining the group would not complete is the administrator's to make.
    QTest::newRow("the group may only read") << 0640 << "dialout" << false;
    QTest::newRow("the group may only write") << 0620 << "dialout" << false;
    QTest::newRow("others but not the group") << 0606 << "dialout" << false;
}

void TestSerialConnection::grantAdvice()
{
    // A port the operator may not open is said with what grants it, read from the node: the
    // group that owns it (as "dialout" owns a USB adapter) and a new login.
    QFETCH(int, mode);
    QFETCH(QString, group);
    QFETCH(bool, byGroup);
    QTemporaryDir dir;
    const QString node = dir.filePath(QStringLiteral("ttyUSB7"));
    QFile file(node);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(::chmod(QFile::encodeName(node).constData(), mode_t(mode)) == 0);
    gid_t gid = ::getegid();
    if (!group.isEmpty()) {
        const struct group *named = ::getgrnam(group.toLatin1().constData());
        if (!named || ::geteuid() != 0)
            QSKIP("Only root gives a node a group of its choice");
        gid = named->gr_gid;
    }
    QVERIFY(::chown(QFile::encodeName(node).constData(), uid_t(-1), gid) == 0);
    group = QString::fromLocal8Bit(::getgrgid(gid)->gr_name);

    QCOMPARE(ZPortAccess::deviceNode(node), node);
    QCOMPARE(ZPortAccess::deviceNode(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    const QString advice = ZPortAccess::grantAdvice(node);
    QVERIFY2(!advice.isEmpty(), qPrintable(node));
    QCOMPARE(advice.contains(QStringLiteral("«%1»").arg(group)), byGroup);
    QCOMPARE(advice.contains(QStringLiteral("usermod -aG %1 ").arg(group)), byGroup);
    QCOMPARE(advice.contains(QStringLiteral("новый вход в систему")), byGroup);
}

void TestSerialConnection::wakeWithoutRequest()
{
    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));

    f.log.clear();
    for (int i = 0; i < 5; ++i) {
        f.connection.wakeWithoutRequest();
        QThread::msleep(10);
    }
    QCOMPARE(f.peer.readFor(150), QByteArray());
    QCOMPARE(f.log.lines(), QStringList());

    QVERIFY(f.exchange(request, reply));
}

// The device hands its next request over a little before the ask interval has passed (its
// timer keeps whole milliseconds); the worker holds it back until the due moment itself.
void TestSerialConnection::requestWaitsUntilDue()
{
    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));

    QElapsedTimer clock;
    clock.start();
    f.connection.sendAt(request, QDeadlineTimer(250, Qt::PreciseTimer));
    QCOMPARE(f.peer.readRequest(3000), request);
    QVERIFY2(clock.elapsed() >= 250, qPrintable(QString::number(clock.elapsed())));
    f.peer.write(reply);
    QVERIFY(f.log.waitFor("received", 2));
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

    SerialFixture f;
    QVERIFY(f.open());
    const QByteArray first = readRequest(1);
    const QByteArray firstReply = replyFrame(1, Status);
    f.connection.send(first);
    QCOMPARE(f.peer.readRequest(3000), first);
    // send() stores the request under the lock before it returns; the worker is still waiting
    // for the first reply.
    for (int reg : qAsConst(whileBusy))
        f.connection.send(readRequest(reg));
    f.peer.write(firstReply);

    // No further send: the request stored meanwhile goes out on its own.
    const QByteArray next = readRequest(written);
    const QByteArray nextReply = replyFrame(written, QByteArray::fromHex("0100"));
    QCOMPARE(f.peer.readRequest(3000), next);
    f.peer.write(nextReply);
    QVERIFY(f.log.waitFor("received", 2));
    QCOMPARE(f.peer.readFor(100), QByteArray());

    const QStringList expected = only(exchangeLines(first, firstReply), {"sent", "received"})
        + only(exchangeLines(next, nextReply), {"sent", "received"});
    QCOMPARE(only(f.log.lines(), {"sent", "received"}), expected);
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
    const QByteArray reply = replyFrame(1, Status);
    // Software flow control acts on these bytes in both directions; the frames must avoid them.
    QVERIFY(!request.contains(xoff) && !request.contains(xon));
    QVERIFY(!reply.contains(xoff) && !reply.contains(xon));

    SerialFixture f;
    QVERIFY(f.open());
    ZSerialPortProps props = propsFor(f.peer.path());
    props.flowControl = 2;
    f.connection.setPortProps(props);
    f.connection.setWriteTimeout(50);
    f.connection.send(QByteArray());
    QVERIFY(f.log.waitFor("running"));

    // The terminal acts on flow-control bytes asynchronously; wait until it has.
    auto flow = [&](char control) {
        f.peer.write(QByteArray(1, control));
        return f.peer.waitOutputHeld(control == xoff);
    };

    int failures = 0;
    bool held = false;
    for (const QChar step : pattern) {
        if (step == 'F') {
            if (!held)
                QVERIFY(flow(xoff));
            held = true;
            f.connection.send(request);
            ++failures;
            if (failures < 5 || !ends)
                QVERIFY(f.log.waitFor("writeFail", failures));
        } else {
            QVERIFY(flow(xon));
            held = false;
            QVERIFY(f.exchange(request, reply));
        }
    }

    if (ends) {
        QVERIFY(f.log.waitFor("finished"));
        const QStringList tail = QStringList{"critical Serial write fails 5 times in row"}
            + closingLines(f.peer.path()) + QStringList{"finished"};
        const QStringList lines = f.log.lines();
        QCOMPARE(lines.mid(lines.size() - tail.size()), tail);
        QCOMPARE(f.log.count("writeFail"), 4);
        QCOMPARE(f.log.count("sent"), 0);

        // The next request opens the port again and announces the new start.
        QVERIFY(flow(xon));
        f.log.clear();
        QVERIFY(f.exchange(request, reply));
        QCOMPARE(f.log.lines(), openingLines(props) + exchangeLines(request, reply));
    } else {
        QCOMPARE(f.log.count("writeFail"), failures);
        QCOMPARE(f.log.count("critical"), 0);
        QCOMPARE(f.log.count("serialClosed"), 0);
        QVERIFY(f.connection.isRunning());
        // Nothing of the abandoned requests follows a good one later.
        f.peer.write(QByteArray(1, xon));
        QCOMPARE(f.peer.readFor(100), QByteArray());
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
    SerialFixture f;
    QVERIFY(f.open(link));
    const int readTimeout = 2000;
    f.connection.setReadTimeout(readTimeout);
    const QByteArray request = readRequest(1);
    const QByteArray reply = replyFrame(1, Status);
    QVERIFY(f.exchange(request, reply));

    // The line goes dead: the outcome comes at once, and the port is closed.
    f.log.clear();
    QElapsedTimer timer;
    timer.start();
    QString outcome;
    if (awaitingReply) {
        f.connection.send(request);
        QCOMPARE(f.peer.readRequest(3000), request);
        f.peer.hangUp();
        outcome = "timeout";
    } else {
        f.peer.hangUp();
        f.connection.send(request);
        outcome = "writeFail";
    }
    QVERIFY(f.log.waitFor("serialClosed"));
    QVERIFY2(timer.elapsed() < readTimeout / 2, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(only(f.log.lines(), {"timeout", "writeFail", "received", "msg", "serialClosed"}),
             QStringList{outcome} + closingLines(link));
    QVERIFY(!f.connection.isRunning());

    // While it stays dead, a request ends the worker with the open failure.
    f.log.clear();
    f.connection.send(request);
    QVERIFY(f.log.waitFor("finished"));
    QCOMPARE(f.log.count("critical"), 1);

    // Back again: the next request starts a new worker, which announces itself (the device
    // waits for running() before it polls) and is served.
    QVERIFY(f.peer.open(link));
    f.log.clear();
    QVERIFY(f.exchange(request, reply));
    QCOMPARE(f.log.lines(), openingLines(propsFor(link)) + exchangeLines(request, reply));
    QVERIFY(f.connection.isRunning());
}

void TestSerialConnection::queuedDelivery()
{
    // The device's way of listening: queued connections into the GUI thread, the next poll sent
    // from there when the previous outcome has arrived.
    QTemporaryDir dir;
    ZDeviceEmulator emulator(QStringLiteral(TARN_DB_PATH));
    QVERIFY2(emulator.start(dir.filePath("ttyTARN")), qPrintable(emulator.errorString()));
    emulator.setSplitReply(true, 20);
    SerialFixture f;
    ZSerialConnection &connection = f.connection;
    connection.setPortName(emulator.portPath());
    const QByteArray request = readRequest(emulator.statusRegister());

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
        if (ZFastProtocolHendler::crc16(ZFastProtocolHendler::unstuff(frame)) != 0)
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
