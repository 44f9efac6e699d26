// The link over a network: the port names an operator may type, and a reply that the network
// hands over in pieces. The link through a real device server is tst_networkport's.

#include <QtTest>

#include "probeconnection.h"
#include "ser2netserver.h"
#include "signallog.h"
#include "tcppeer.h"
#include "testbytes.h"
#include "zfastprotocolhendler.h"
#include "zreplytiming.h"
#include "zserialportprops.h"

using namespace TestBytes;

namespace {

void pointAt(ZSerialConnection &connection, const QString &name)
{
    ZSerialPortProps props;
    props.name = name;
    connection.setDetails(QVariant::fromValue(props));
}

} // namespace

class TestNetworkConnection : public QObject
{
    Q_OBJECT

private slots:
    void badNames_data();
    void badNames();
    void replyInPieces();
    void silentServer();
    void floodingServer();
    void replyTiming();
};

void TestNetworkConnection::badNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("said");
    const QString forms = QStringLiteral("ожидается tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ");
    QTest::newRow("no host") << "tcp://" << forms;
    QTest::newRow("no port") << "tcp://host" << forms;
    QTest::newRow("port 0") << "tcp://host:0" << "от 1 до 65535";
    QTest::newRow("port 70000") << "tcp://host:70000" << "от 1 до 65535";
    QTest::newRow("open bracket") << "rfc2217://[::1" << forms;
    QTest::newRow("not an IPv6 address") << "tcp://[::g]:2000" << "IPv6";
    QTest::newRow("no such host") << "tcp://no-such-host.invalid:2000" << "no-such-host.invalid:2000: ";
    // %1: a loopback port nobody listens on.
    QTest::newRow("refused") << "tcp://127.0.0.1:%1" << "127.0.0.1:%1: Connection refused";
    QTest::newRow("refused, IPv6") << "rfc2217://[::1]:%1" << "[::1]:%1: Connection refused";
}

// Each is said with the name or the server, and the worker ends: nothing is written, nothing
// keeps running.
void TestNetworkConnection::badNames()
{
    QFETCH(QString, name);
    QFETCH(QString, said);
    if (name.contains(QLatin1String("%1"))) {
        const int port = Ser2NetServer::freePort();
        name = name.arg(port);
        said = said.arg(port);
    }
    ZFastProtocolHendler handler;
    ProbeConnection connection(&handler);
    SignalLog log(&connection);
    pointAt(connection, name);
    connection.send(readRequest(3));

    QVERIFY(log.waitFor(QStringLiteral("critical"), 1, 30000));
    QVERIFY(connection.wait(30000));
    const QStringList lines = log.lines();
    const QString critical = lines.filter(QRegularExpression(QStringLiteral("^critical "))).value(0);
    QVERIFY2(critical.contains(said), qPrintable(critical));
    QCOMPARE(log.count(QStringLiteral("sent")), 0);
    QCOMPARE(log.count(QStringLiteral("running")), 0);
    QVERIFY(!connection.isRunning());
}

// Three pieces 30 ms apart, longer than a serial line's silence between replies: one reply,
// taken as soon as its last piece is there.
void TestNetworkConnection::replyInPieces()
{
    const QByteArray reply = replyFrame(3, le32(123456789));
    TcpPeer peer(reply, 3, 30);
    const int port = peer.start();
    QVERIFY(port > 0);

    ZFastProtocolHendler handler;
    ProbeConnection connection(&handler);
    connection.setReadTimeout(5000);
    SignalLog log(&connection);
    pointAt(connection, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    for (int request = 0; request < 2; ++request) {
        log.clear();
        connection.send(readRequest(3));
        QVERIFY(log.waitFor(QStringLiteral("received"), 1, 30000));
        const QStringList lines = log.lines();
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^(received|timeout)"))),
                 QStringList({"received " + hex(cut(reply))}));
        QString arrived;
        for (const QString &line : lines.filter(QRegularExpression(QStringLiteral("^dataIn "))))
            arrived += line.mid(7);
        QCOMPARE(arrived, hex(reply));
    }
    QCOMPARE(peer.requestsAnswered(), 2);
}

// A server that takes requests and never answers (gone without closing, as far as this end can
// tell): after five silent requests in a row the worker ends, naming it, to connect anew.
void TestNetworkConnection::silentServer()
{
    TcpPeer peer(QByteArray(), 1, 0);
    const int port = peer.start();
    QVERIFY(port > 0);
    ZFastProtocolHendler handler;
    ProbeConnection connection(&handler);
    connection.setReadTimeout(100);
    SignalLog log(&connection);
    pointAt(connection, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    for (int request = 1; request <= 5; ++request) {
        connection.send(readRequest(3));
        QVERIFY(log.waitFor(QStringLiteral("timeout"), request, 30000));
    }
    QVERIFY(log.waitFor(QStringLiteral("critical"), 1, 30000));
    const QString critical = log.lines().filter(QRegularExpression(QStringLiteral("^critical "))).value(0);
    QVERIFY2(critical.contains(QStringLiteral("127.0.0.1:%1 не отвечает на 5 запросов подряд").arg(port)),
             qPrintable(critical));
    QVERIFY(connection.wait(30000));
}

// Garbage at about 1 MB/s in answer to a request: the request ends at its time-out, and what the
// monitor is handed stays bounded.
void TestNetworkConnection::floodingServer()
{
    TcpPeer peer(QByteArray(1024 * 1024, char(0x55)), 1024, 1);
    const int port = peer.start();
    QVERIFY(port > 0);
    ZFastProtocolHendler handler;
    ProbeConnection connection(&handler);
    connection.setReadTimeout(500);
    SignalLog log(&connection);
    pointAt(connection, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
    connection.send(readRequest(3));
    QVERIFY(log.waitFor(QStringLiteral("timeout"), 1, 30000));
    int shown = 0;
    for (const QString &line : log.lines().filter(QRegularExpression(QStringLiteral("^dataIn "))))
        shown += (line.size() - 7) / 2;
    QVERIFY2(shown > 0 && shown <= 128 * 1024, qPrintable(QString::number(shown)));
}

// When the worker looks again for a known answer, and what it learns from each: a frame seen
// arriving says when the answer ends; one already whole at the wake-up only that it ended no
// later, so the next wait is shorter and a late wake-up does not feed on itself.
void TestNetworkConnection::replyTiming()
{
    const QByteArray poll = readRequest(1);
    ZReplyTiming timing;
    QCOMPARE(ZReplyTiming::wakeAt(timing.shapeOf(poll), 1000, 1), qint64(-1));

    timing.learn(poll, ZReplyTiming::Shape(), false, 202, 20000000);
    const ZReplyTiming::Shape shape = timing.shapeOf(poll);
    QCOMPARE(ZReplyTiming::wakeAt(shape, 1000, 1), 1000 + qint64(20000000) * 200 / 202);
    QCOMPARE(ZReplyTiming::wakeAt(shape, 1000, 200), qint64(-1));
    QCOMPARE(ZReplyTiming::wakeAt(shape, -1, 0), qint64(-1));

    timing.learn(poll, shape, true, 202, 35000000);
    QCOMPARE(timing.shapeOf(poll).ns, qint64(20000000) * 200 / 202);
    timing.learn(poll, timing.shapeOf(poll), false, 204, 21000000);
    QCOMPARE(timing.shapeOf(poll).ns, qint64(21000000));
    QCOMPARE(timing.shapeOf(poll).bytes, 204);
}

QTEST_GUILESS_MAIN(TestNetworkConnection)
#include "tst_networkconnection.moc"
