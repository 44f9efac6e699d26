// The exchange monitor on the real stack: a receiver model talking to the emulator through a
// pseudo-terminal, the traffic in the two logs with the protocol's verdicts, and the console's
// commands carried out on the device.

#include <QClipboard>
#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTextBlock>
#include <QtTest>

#include <algorithm>
#include <memory>

#include "emulatorrig.h"
#include "zabstractconnection.h"
#include "zabstractprotocolhendler.h"
#include "zconsole.h"
#include "zexchangetext.h"
#include "zmonitor.h"

namespace {

QStringList lines(const QTextDocument *document)
{
    return document->toPlainText().split(QLatin1Char('\n'));
}

QStringList lines(const QPlainTextEdit *edit)
{
    return lines(edit->document());
}

QStringList lines(const QTextEdit *edit)
{
    return edit->document()->isEmpty() ? QStringList() : lines(edit->document());
}

void type(QWidget *widget, const QString &text)
{
    QTest::keyClicks(widget, text);
    QTest::keyClick(widget, Qt::Key_Return);
}

// A receiver for the emulator, and a monitor on it once `open` is called.
struct Rig : EmulatorRig
{
    std::unique_ptr<ZMonitor> monitor; // goes before the device
    void open()
    {
        monitor = std::make_unique<ZMonitor>(device.get());
        monitor->show();
    }
    ZConsole *console() const { return monitor->console(); }
    QString started() const { return "TARN: STARTED at " + emulator.portPath() + " 115200 8 2 0 0"; }
    // Waits for the console to take commands again.
    bool unlocked() const
    {
        return QTest::qWaitFor([this] { return !console()->isLocked(); }, 5000);
    }
};

} // namespace

class TestZMonitor : public QObject
{
    Q_OBJECT

private slots:
    void hexLines_data();
    void hexLines();
    void oldestLinesGo();
    void initialLines_data();
    void initialLines();
    void statusPollTraffic();
    void faultsAndVerdicts();
    void stopAndStartTyped();
    void setPaths_data();
    void setPaths();
    void unknownPropertyRefused();
    void askIntervalChangesPacing();
};

void TestZMonitor::hexLines_data()
{
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("line");

    QTest::newRow("three bytes sent") << true << QByteArray::fromHex("01ab10") << "> 01$ab$10";
    QTest::newRow("nothing sent") << true << QByteArray() << "> ";
    QTest::newRow("one byte received") << false << QByteArray::fromHex("0a") << "< 0a";
}

void TestZMonitor::hexLines()
{
    QFETCH(bool, sent);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);
    ZExchangeText log;
    sent ? log.dataOut(data) : log.dataIn(data);
    QTRY_COMPARE(lines(&log), QStringList{line});
}

void TestZMonitor::oldestLinesGo()
{
    ZExchangeText log;
    log.setMaximumLines(20);
    // In two showings: the trimming sees a full log both times.
    for (int i = 0; i < 100; ++i) {
        log.dataOut(QByteArray(1, char(i)));
        if (i == 49)
            QTRY_COMPARE(lines(&log).size(), 20);
    }
    QTRY_COMPARE(lines(&log).last(), QStringLiteral("> 63"));
    const QStringList kept = lines(&log);
    // Between the limit and a tenth more; the newest, in order.
    QVERIFY2(kept.size() >= 20 && kept.size() <= 22, qPrintable(QString::number(kept.size())));
    QCOMPARE(kept.last(), QStringLiteral("> 63"));
    for (int i = 0; i < kept.size(); ++i)
        QCOMPARE(kept[i], "> " + ZExchangeText::hexText(QByteArray(1, char(100 - kept.size() + i))));
    QCOMPARE(log.lineCount(), kept.size());
    // What the operator copies out of the log has each line on a line of its own.
    log.selectAll();
    log.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), kept.join(QLatin1Char('\n')));
}

void TestZMonitor::initialLines_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("started and connected") << true;
    QTest::newRow("stopped") << false;
}

void TestZMonitor::initialLines()
{
    QFETCH(bool, running);
    Rig rig;
    QVERIFY(rig.startEmulator());
    if (running)
        QVERIFY(rig.connect());
    rig.open();
    // Traffic from before the monitor existed is not shown.
    QVERIFY(rig.monitor->sentLog()->document()->isEmpty());
    QVERIFY(rig.monitor->receivedLog()->document()->isEmpty());
    const QStringList expected = running
        ? QStringList{"Monitor created, device status:", rig.started(), "TARN: CONNECTED", ">"}
        : QStringList{"Monitor created, device status:", "TARN: STOPPED", "TARN: DISCONNECTED", ">"};
    QCOMPARE(lines(rig.console()), expected);
    QVERIFY(!rig.console()->isLocked());
    QCOMPARE(rig.monitor->focusWidget(), rig.console());
}

void TestZMonitor::statusPollTraffic()
{
    Rig rig;
    QVERIFY(rig.startEmulator());
    rig.open();
    QVERIFY(rig.connect());
    ZExchangeText *received = rig.monitor->receivedLog();
    QTRY_VERIFY(lines(received).contains(QStringLiteral("Parser : ok")));

    const QByteArray request = rig.device->protocol()->buildReadRequest(*rig.device->statusRegister(), 1);
    QCOMPARE(lines(rig.monitor->sentLog()).first(), "> " + ZExchangeText::hexText(request));

    // The reply, in as many pieces as it arrived, up to its verdict.
    const QStringList got = lines(received);
    QByteArray reply;
    int i = 0;
    for (; i < got.size() && got[i].startsWith(QLatin1String("< ")); ++i)
        reply += QByteArray::fromHex(got[i].mid(2).remove(QLatin1Char('$')).toLatin1());
    QVERIFY2(i > 0 && i < got.size(), qPrintable(got.join('\n')));
    QCOMPARE(got[i], QStringLiteral("Parser : ok"));
    QByteArray frame, payload;
    QVERIFY(rig.device->protocol()->extractFrame(frame, reply));
    const ParseResult result = rig.device->protocol()->parseResponse(payload, frame, *rig.device->statusRegister(), 0);
    QVERIFY2(result == 0, qPrintable(rig.device->protocol()->lastError()));
    QVERIFY(!payload.isEmpty());
}

void TestZMonitor::faultsAndVerdicts()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.open();
    QSignalSpy errors(rig.device.get(), &ZAbstractDevice::paketError);
    ZExchangeText *received = rig.monitor->receivedLog();

    rig.emulator.setCorruptCrc(1);
    QTRY_COMPARE(errors.count(), 1);
    const QString text = errors.first().at(1).toString();
    QVERIFY(!text.isEmpty());
    QTRY_VERIFY(lines(received).contains("Parser : " + text));

    rig.emulator.setDropReplies(1);
    QTRY_VERIFY(lines(received).contains(QStringLiteral("Connection : timeout")));
    // A lost reply is not a parser verdict.
    QCOMPARE(lines(received).filter(QRegularExpression("^Parser : (?!ok$)")).size(), 1);
}

void TestZMonitor::stopAndStartTyped()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.open();
    ZConsole *console = rig.console();

    // The worker's own lines about closing the port come between; any line of the device's
    // ends the wait, and the later ones land above the fresh prompt.
    type(console, QStringLiteral("stop"));
    QTRY_COMPARE(lines(console).mid(lines(console).size() - 2), (QStringList{"TARN: STOPPED", ">"}));
    QVERIFY(!console->isLocked());
    QVERIFY(!rig.device->isStarted());
    QStringList shown = lines(console);
    QCOMPARE(shown.mid(shown.indexOf(">stop"), 2), (QStringList{">stop", "TARN: stopping"}));
    QVERIFY(shown.contains(QStringLiteral("TARN: DISCONNECTED")));

    type(console, QStringLiteral("start"));
    // The monitor's first lines already say STARTED: only one after the command counts.
    QTRY_VERIFY(lines(console).indexOf(rig.started(), lines(console).indexOf(">start")) > 0);
    QVERIFY(rig.unlocked());
    QVERIFY(rig.device->isStarted());
    shown = lines(console);
    QCOMPARE(shown.mid(shown.indexOf(">start"), 2), (QStringList{">start", "TARN: initialize starting sequence"}));
    QTRY_COMPARE(lines(console).mid(lines(console).size() - 2), (QStringList{"TARN: CONNECTED", ">"}));
}

void TestZMonitor::setPaths_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("bool by word") << "set autoask false" << "TARN: autoask set to false" << "autoask" << QVariant(false);
    QTest::newRow("bool by digit") << "set autoask 0" << "TARN: autoask set to false" << "autoask" << QVariant(false);
    QTest::newRow("bool true") << "set autoask 1" << "TARN: autoask set to true" << "autoask" << QVariant(true);
    QTest::newRow("int by text") << "set maxlostinrow 7" << "TARN: maxlostinrow set to 7" << "maxlostinrow" << QVariant(7);
    QTest::newRow("read time-out") << "set waitinterval 400" << "TARN: waitinterval set to 400" << "waitinterval" << QVariant(400);
    QTest::newRow("int refuses letters") << "set askinterval fast" << "fast is not proper value for askinterval"
                                         << "askinterval" << QVariant(10);
    // Values that would stop the polling for good (the pacing timer refuses a negative
    // interval) or make every reply late are refused like letters.
    QTest::newRow("negative pacing refused") << "set askinterval -5" << "-5 is not proper value for askinterval"
                                             << "askinterval" << QVariant(10);
    // Each bound itself is taken, one step beyond it refused.
    QTest::newRow("pacing 10000") << "set askinterval 10000" << "TARN: askinterval set to 10000" << "askinterval" << QVariant(10000);
    QTest::newRow("pacing 10001 refused") << "set askinterval 10001" << "10001 is not proper value for askinterval"
                                          << "askinterval" << QVariant(10);
    QTest::newRow("read time-out 20") << "set waitinterval 20" << "TARN: waitinterval set to 20" << "waitinterval" << QVariant(20);
    QTest::newRow("read time-out 19 refused") << "set waitinterval 19" << "19 is not proper value for waitinterval"
                                              << "waitinterval" << QVariant(1000);
    QTest::newRow("read time-out 60000") << "set waitinterval 60000" << "TARN: waitinterval set to 60000" << "waitinterval" << QVariant(60000);
    QTest::newRow("read time-out 60001 refused") << "set waitinterval 60001" << "60001 is not proper value for waitinterval"
                                                 << "waitinterval" << QVariant(1000);
    QTest::newRow("one lost reply tolerated") << "set maxlostinrow 1" << "TARN: maxlostinrow set to 1" << "maxlostinrow" << QVariant(1);
    QTest::newRow("no lost reply tolerated") << "set maxlostinrow 0" << "0 is not proper value for maxlostinrow"
                                             << "maxlostinrow" << QVariant(3);
    QTest::newRow("string property") << "set name X" << "ТАРН not supported property type" << "name" << QVariant("ТАРН");
}

void TestZMonitor::setPaths()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    Rig rig;
    rig.device->setProperty("maxlostinrow", 3);
    bool lockedWhenAnnounced = false;
    // Connected before the monitor, so it runs before the monitor prints the line.
    QObject::connect(rig.device.get(), &ZAbstractDevice::paramChange, [&] {
        lockedWhenAnnounced = rig.console()->isLocked();
    });
    rig.open();

    type(rig.console(), command);
    const QStringList shown = lines(rig.console());
    QCOMPARE(shown.mid(shown.size() - 3), (QStringList{">" + command, answer, ">"}));
    QVERIFY(!rig.console()->isLocked());
    QCOMPARE(rig.device->property(property.toLatin1()), value);
    QCOMPARE(lockedWhenAnnounced, answer.startsWith(QLatin1String("TARN: ")));
}

void TestZMonitor::unknownPropertyRefused()
{
    // The console's table lets no unknown name through; the monitor still refuses one.
    Rig rig;
    rig.open();
    QVERIFY(QMetaObject::invokeMethod(rig.monitor.get(), "consoleCommand", Q_ARG(QString, "set"),
                                      Q_ARG(QString, "speed"), Q_ARG(QString, "5")));
    QVERIFY(lines(rig.console()).contains(QStringLiteral("ТАРН does not contain property : speed")));
}

void TestZMonitor::askIntervalChangesPacing()
{
    Rig rig;
    QVERIFY(rig.startEmulator());
    // When each request went out, taken on the worker thread.
    QMutex mutex;
    QElapsedTimer clock;
    clock.start();
    QVector<qint64> sentAt;
    QObject::connect(rig.device->connection(), &ZAbstractConnection::sent, rig.device->connection(), [&] {
        QMutexLocker lock(&mutex);
        sentAt << clock.elapsed();
    }, Qt::DirectConnection);
    auto shortestGap = [&](int from) {
        QMutexLocker lock(&mutex);
        qint64 gap = 1 << 30;
        for (int i = from + 1; i < sentAt.size(); ++i)
            gap = std::min(gap, sentAt[i] - sentAt[i - 1]);
        return gap;
    };
    auto count = [&] { QMutexLocker lock(&mutex); return sentAt.size(); };

    QVERIFY(rig.connect());
    rig.open();

    type(rig.console(), QStringLiteral("set askinterval 50"));
    QCOMPARE(lines(rig.console()).mid(lines(rig.console()).size() - 2),
             (QStringList{"TARN: askinterval set to 50", ">"}));
    // The request already timed keeps the old pause; from the one after, 50 ms at least.
    const int from = count() + 1;
    QTRY_VERIFY(count() > from + 10);
    QVERIFY2(shortestGap(from) >= 45, qPrintable(QString::number(shortestGap(from))));
}

QTEST_MAIN(TestZMonitor)
#include "tst_zmonitor.moc"
