// The transaction engine driven through a scripted connection: pacing, reply handling by kind,
// the failure rules that decide "connected", refusals and the set-up checks.

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include "devicerig.h"
#include "zfastloader.h"

class TestZAbstractDevice : public QObject
{
    Q_OBJECT
private slots:
    void setupRejectsSecondConnectionAndProtocol();
    void startRefusals_data();
    void startRefusals();
    void startBeforeRunningRepeats();
    void stopLifecycle();
    void busyListenersDoNotStretchThePace_data();
    void busyListenersDoNotStretchThePace();
    void lostInRow_data();
    void lostInRow();
    void lostInRowIsAnEqualityTest();
    void writeFailDisconnectsAtOnce();
    void refusals_data();
    void refusals();
    void pauseKeepsQueue();
    void confirmedFloatWriteThenReadBack();
    void writeMismatches_data();
    void writeMismatches();
    void queueClearing_data();
    void queueClearing();
    void propertiesByName();
    void configRoundTrip();
    void destructorReleasesLink();
};

void TestZAbstractDevice::setupRejectsSecondConnectionAndProtocol()
{
    DeviceRig rig;
    ZFastProtocolHendler other;
    ScriptedConnection second(&other);
    try {
        rig.dev->setConnection(&second);
        QFAIL("second connection accepted");
    } catch (const ZDeviceException &e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("ТАРН: ошибка типа соединения! Установлен другой тип."));
    }
    try {
        rig.dev->setProtocol(&other);
        QFAIL("second protocol accepted");
    } catch (const ZDeviceException &e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral("ТАРН: ошибка типа протокола! Установлен другой тип."));
    }
    QCOMPARE(rig.dev->connection(), rig.conn);
    QCOMPARE(rig.dev->protocol(), static_cast<ZAbstractProtocolHendler *>(rig.handler));
}

void TestZAbstractDevice::startRefusals_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("text");
    QTest::newRow("connection") << "connection" << "Ошибка запуска! Не найден тип соединения";
    QTest::newRow("protocol") << "protocol"
                              << "Ошибка запуска! Не найден тип протокола взаимодействия";
    QTest::newRow("table") << "table" << "Ошибка запуска! Не найдена таблица регистров";
    QTest::newRow("status") << "status" << "Ошибка запуска! Не найден статусный регистр";
    QTest::newRow("already started") << "" << "Устройсво уже запущено";
}

void TestZAbstractDevice::startRefusals()
{
    QFETCH(QString, missing);
    QFETCH(QString, text);
    RegisterTable *table = new RegisterTable;
    loadRegisters(table, QStringLiteral(TARN_DB_PATH));
    ZFastProtocolHendler *handler = new ZFastProtocolHendler;
    ScriptedConnection *conn = new ScriptedConnection(handler);
    {
        ZTarnVex dev;
        if (missing != "table") {
            dev.setRegisters(table);
            if (missing != "status")
                dev.setStatusRegister(findStatusRegister(table));
        }
        if (missing != "connection")
            dev.setConnection(conn);
        if (missing != "protocol")
            dev.setProtocol(handler);
        if (missing.isEmpty()) {
            dev.start();
            conn->deliverRunning();
            QVERIFY(QTest::qWaitFor([&] { return dev.isStarted(); }));
        }
        const int sends = conn->requests.size();

        QSignalSpy critical(&dev, &ZAbstractDevice::critical);
        QSignalSpy initStart(&dev, &ZAbstractDevice::initStart);
        dev.start();
        QCOMPARE(critical.count(), 1);
        QCOMPARE(critical.at(0).at(0).toString(), text);
        QCOMPARE(initStart.count(), 0);
        QCOMPARE(conn->requests.size(), sends);
    }
    // What the device was not given, it does not own.
    if (missing == "table")
        delete table;
    if (missing == "connection")
        delete conn;
    if (missing == "protocol")
        delete handler;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestZAbstractDevice::startBeforeRunningRepeats()
{
    DeviceRig rig;
    QSignalSpy initStart(rig.dev, &ZAbstractDevice::initStart);
    rig.dev->start();
    rig.dev->start();
    QCOMPARE(initStart.count(), 2);
    QCOMPARE(rig.conn->requests, QByteArrayList({QByteArray(), QByteArray()}));
    QVERIFY(!rig.dev->isStarted());
}

void TestZAbstractDevice::stopLifecycle()
{
    DeviceRig rig;
    QSignalSpy error(rig.dev, &ZAbstractDevice::error);
    QSignalSpy finished(rig.dev, &ZAbstractDevice::finished);
    rig.dev->stop();
    QCOMPARE(error.count(), 1);
    QCOMPARE(error.at(0).at(0).toString(),
             QStringLiteral("Ошибка осановки устройсва! Устройсво уже осановленно"));
    QCOMPARE(finished.count(), 1);

    QVERIFY(rig.start());
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    QVERIFY(rig.dev->isConnected());
    QSignalSpy initFinish(rig.dev, &ZAbstractDevice::initFinish);
    QSignalSpy disconnected(rig.dev, &ZAbstractDevice::disconnected);
    rig.dev->stop();
    QCOMPARE(initFinish.count(), 1);
    QVERIFY(!rig.dev->autoask());
    QCOMPARE(rig.conn->stopCalls, 2);
    // The device is stopped only when the worker has ended. Meanwhile the late answer to the
    // poll on the line is still taken, but nothing new is sent or accepted.
    QVERIFY(rig.dev->isStarted());
    QSignalSpy statusRcv(rig.dev, &ZAbstractDevice::statusRcv);
    const int sendsBeforeEnd = rig.conn->requests.size();
    rig.dev->readData(15);
    QCOMPARE(error.count(), 2);
    QCOMPARE(error.last().at(0).toString(), QStringLiteral("ТАРН: устройство остановлено."));
    rig.conn->deliverReceived(TestBytes::response(1, QByteArray(207, 0)));
    QTest::qWait(20);
    QCOMPARE(statusRcv.count(), 1);
    QCOMPARE(rig.conn->requests.size(), sendsBeforeEnd);
    rig.conn->deliverFinished();
    QVERIFY(QTest::qWaitFor([&] { return finished.count() == 2; }));
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(!rig.dev->isStarted());
    QVERIFY(!rig.dev->isConnected());
    // Nothing is sent by a stopped device, not even after a late outcome.
    const int sends = rig.conn->requests.size();
    rig.conn->deliverTimeout();
    QTest::qWait(20);
    QCOMPARE(rig.conn->requests.size(), sends);
}

void TestZAbstractDevice::busyListenersDoNotStretchThePace_data()
{
    QTest::addColumn<int>("outcome");
    QTest::newRow("reply") << 0;
    QTest::newRow("time-out") << 1;
    QTest::newRow("error") << 2;
    QTest::newRow("write failure") << 3;
}

// A window that spends 200 ms on each outcome still lets the device rest exactly the ask
// interval after it, not the interval plus the window's work. The sizes stand far above any
// machine's noise: about 300 ms with the pace kept, about 500 without.
void TestZAbstractDevice::busyListenersDoNotStretchThePace()
{
    QFETCH(int, outcome);
    const int intervalMs = 300;
    const int busyMs = 200;
    DeviceRig rig;
    QVERIFY(rig.start());
    rig.dev->setAskInterval(intervalMs);
    int busyCalls = 0;
    auto busy = [&] {
        ++busyCalls;
        QThread::msleep(busyMs);
    };
    connect(rig.dev, &ZAbstractDevice::statusRcv, busy);
    connect(rig.dev, &ZAbstractDevice::paketTimeout, busy);
    connect(rig.dev, &ZAbstractDevice::error, busy);
    connect(rig.dev, &ZAbstractDevice::paketWriteFail, busy);

    const int sent = rig.conn->requests.size();
    QElapsedTimer clock;
    clock.start();
    rig.deliver([&] {
        switch (outcome) {
        case 0: rig.conn->deliverReceived(TestBytes::response(1, QByteArray(207, 0))); break;
        case 1: rig.conn->deliverTimeout(); break;
        case 2: rig.conn->deliverError(QStringLiteral("line noise")); break;
        case 3: rig.conn->deliverWriteFail(); break;
        }
    });
    const qint64 pause = clock.elapsed();
    QCOMPARE(busyCalls, 1);
    QCOMPARE(rig.conn->requests.size(), sent + 1);
    QVERIFY2(pause >= intervalMs - 30 && pause < intervalMs + busyMs * 3 / 4,
             qPrintable(QStringLiteral("next request %1 ms after the outcome").arg(pause)));
}

void TestZAbstractDevice::lostInRow_data()
{
    QTest::addColumn<bool>("errors");
    QTest::newRow("timeouts") << false;
    QTest::newRow("connection errors") << true;
}

void TestZAbstractDevice::lostInRow()
{
    QFETCH(bool, errors);
    DeviceRig rig;
    QSignalSpy connected(rig.dev, &ZAbstractDevice::connected);
    QSignalSpy disconnected(rig.dev, &ZAbstractDevice::disconnected);
    QSignalSpy error(rig.dev, &ZAbstractDevice::error);
    auto fail = [&] {
        rig.deliver([&] {
            if (errors)
                rig.conn->deliverError(QStringLiteral("line noise"));
            else
                rig.conn->deliverTimeout();
        });
    };
    QVERIFY(rig.start());
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    QCOMPARE(connected.count(), 1);

    fail();
    fail();
    QCOMPARE(disconnected.count(), 0);
    fail();
    QCOMPARE(disconnected.count(), 1);
    fail();
    fail();
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(rig.dev->lostInRow(), 5);
    QCOMPARE(error.count(), errors ? 5 : 0);
    if (!errors)
        QCOMPARE(rig.dev->statusRegister()->errorText(), QStringLiteral("Нет ответа от устройства"));

    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    QCOMPARE(connected.count(), 2);
    QCOMPARE(rig.dev->lostInRow(), 0);
}

void TestZAbstractDevice::lostInRowIsAnEqualityTest()
{
    DeviceRig rig;
    QSignalSpy disconnected(rig.dev, &ZAbstractDevice::disconnected);
    QSignalSpy paketError(rig.dev, &ZAbstractDevice::paketError);
    QVERIFY(rig.start());
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    rig.timeout();
    rig.timeout();
    rig.dev->setProperty("maxlostinrow", 1);
    rig.timeout();
    QCOMPARE(rig.dev->lostInRow(), 3);
    QVERIFY(rig.dev->isConnected());
    QCOMPARE(disconnected.count(), 0);

    // A reply that does not parse still proves the line works.
    QByteArray bad = TestBytes::response(1, QByteArray(207, 0));
    bad[10] = char(bad.at(10) ^ 0x01);
    rig.answer(bad);
    QCOMPARE(rig.dev->lostInRow(), 0);
    QCOMPARE(paketError.count(), 1);
    QCOMPARE(paketError.at(0).at(1).toString(), QStringLiteral("Bad CRC"));
    QCOMPARE(rig.dev->statusRegister()->state(), int(StateFailed));

    rig.timeout();
    QCOMPARE(disconnected.count(), 1);
}

void TestZAbstractDevice::writeFailDisconnectsAtOnce()
{
    DeviceRig rig;
    QSignalSpy disconnected(rig.dev, &ZAbstractDevice::disconnected);
    QSignalSpy writeFail(rig.dev, &ZAbstractDevice::paketWriteFail);
    QVERIFY(rig.start());
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    rig.deliver([&] { rig.conn->deliverWriteFail(); });
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(writeFail.count(), 1);
    QCOMPARE(writeFail.at(0).at(0), QVariant(1));
    // Disconnected already: a second failure announces no second loss.
    rig.deliver([&] { rig.conn->deliverWriteFail(); });
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(writeFail.count(), 2);
}

void TestZAbstractDevice::refusals_data()
{
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("block");
    QTest::addColumn<bool>("write");
    QTest::addColumn<QVariant>("id");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("stopped") << false << false << false << QVariant(15) << QVariant()
                             << "ТАРН: устройство остановлено.";
    QTest::newRow("blocked") << true << true << true << QVariant(15) << QVariant(1.0)
                             << "ТАРН: устройство заблокировано.";
    QTest::newRow("unknown") << true << false << false << QVariant(999) << QVariant()
                             << "ТАРН: регистр 999 не найден в таблице регистров.";
    QTest::newRow("write-only read") << true << false << false << QVariant(3) << QVariant()
                                     << "ТАРН: регистр 3 доступен только для записи.";
    QTest::newRow("read-only write") << true << false << true << QVariant(2) << QVariant(7)
                                     << "ТАРН: регистр 2 доступен только для чтения.";
    QTest::newRow("not convertible") << true << false << true << QVariant(18)
                                     << QVariant(QStringLiteral("abc"))
                                     << "ТАРН: ошибка преобразования значения в данные регистра.";
}

void TestZAbstractDevice::refusals()
{
    QFETCH(bool, start);
    QFETCH(bool, block);
    QFETCH(bool, write);
    QFETCH(QVariant, id);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    DeviceRig rig;
    if (start)
        QVERIFY(rig.start());
    rig.dev->setBlock(block);
    rig.dev->setPause(true);
    QSignalSpy writeFail(rig.dev, &ZAbstractDevice::paketWriteFail);
    QSignalSpy error(rig.dev, &ZAbstractDevice::error);
    QSignalSpy queueChange(rig.dev, &ZAbstractDevice::queueChange);
    if (write)
        rig.dev->writeData(id, value);
    else
        rig.dev->readData(id);
    QCOMPARE(writeFail.count(), 1);
    QCOMPARE(writeFail.at(0).at(0), id);
    QCOMPARE(error.count(), 1);
    QCOMPARE(error.at(0).at(0).toString(), text);
    QCOMPARE(rig.dev->queueSize(), 0);
    QCOMPARE(queueChange.count(), 0);
}

void TestZAbstractDevice::pauseKeepsQueue()
{
    DeviceRig rig;
    QVERIFY(rig.start());
    rig.dev->setPause(true);
    rig.conn->deliverReceived(TestBytes::response(1, QByteArray(207, 0)));
    QTest::qWait(20);
    const int sends = rig.conn->requests.size();
    rig.dev->readData(15);
    rig.dev->readData(18);
    QTest::qWait(20);
    QCOMPARE(rig.conn->requests.size(), sends);
    QCOMPARE(rig.dev->queueSize(), 2);

    rig.dev->setPause(false);
    QCOMPARE(rig.nextRequest(), rig.handler->buildReadRequest(*findRegister(rig.table, 15), 1));
    QCOMPARE(rig.dev->queueSize(), 1);
}

void TestZAbstractDevice::confirmedFloatWriteThenReadBack()
{
    DeviceRig rig;
    ZRegister *power = findRegister(rig.table, 15);
    QSignalSpy paketRcv(rig.dev, &ZAbstractDevice::paketRcv);
    QSignalSpy queueChange(rig.dev, &ZAbstractDevice::queueChange);
    QVERIFY(rig.start());
    // 0.1 as a double has no exact single-precision form; the echo carries the rounded float.
    rig.dev->writeData(15, QVariant(0.1), true);
    rig.dev->readData(18);
    QCOMPARE(queueChange.count(), 2);
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));

    bool ok = false;
    QCOMPARE(rig.conn->requests.last(), rig.handler->buildWriteRequest(*power, 0.1, &ok, 1));
    rig.answer(TestBytes::response(15, TestBytes::leFloat(0.1f), true));
    QCOMPARE(power->state(), int(StateEchoed));
    QCOMPARE(paketRcv.count(), 1);
    QCOMPARE(paketRcv.at(0).at(0), QVariant(15));
    // Two requests queued, two taken; the read-back is queued without notice.
    QCOMPARE(queueChange.count(), 4);

    // The read of 18 was waiting first; the read-back comes behind it.
    QCOMPARE(rig.conn->requests.last(), rig.handler->buildReadRequest(*findRegister(rig.table, 18), 1));
    rig.answer(TestBytes::response(18, TestBytes::le32(1200)));
    QCOMPARE(rig.conn->requests.last(), rig.handler->buildReadRequest(*power, 1));
    rig.answer(TestBytes::response(15, TestBytes::leFloat(0.1f)));
    QCOMPARE(power->state(), int(StateConfirmed));
    QCOMPARE(paketRcv.count(), 3);
    QCOMPARE(queueChange.count(), 5);
    QCOMPARE(rig.dev->queueSize(), 0);
}

void TestZAbstractDevice::writeMismatches_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<QByteArray>("readBack");
    QTest::addColumn<QString>("text");
    QTest::newRow("echo differs") << false << TestBytes::le32(999) << QByteArray()
                                  << "Несовпадение значения при записи, записано 1000 получено 999";
    QTest::newRow("confirmed echo differs")
        << true << TestBytes::le32(999) << QByteArray()
        << "Несовпадение значения при записи, записано 1000 получено 999";
    QTest::newRow("read-back differs") << true << TestBytes::le32(1000)
                                       << TestBytes::le32(998)
                                       << "Ошибка проверки значения, записано 1000 прочитано 998";
}

void TestZAbstractDevice::writeMismatches()
{
    QFETCH(bool, confirm);
    QFETCH(QByteArray, echo);
    QFETCH(QByteArray, readBack);
    QFETCH(QString, text);
    DeviceRig rig;
    ZRegister *freq = findRegister(rig.table, 18);
    QSignalSpy paketError(rig.dev, &ZAbstractDevice::paketError);
    QSignalSpy signalFreq(rig.dev, &ZAbstractTarn::signalFreq);
    QVERIFY(rig.start());
    rig.dev->writeData(18, 1000, confirm);
    rig.answer(TestBytes::response(1, QByteArray(207, 0)));
    const int freqBefore = signalFreq.count();
    rig.answer(TestBytes::response(18, echo, true));
    if (!readBack.isEmpty()) {
        QCOMPARE(freq->state(), int(StateEchoed));
        rig.answer(TestBytes::response(18, readBack));
    }
    QCOMPARE(freq->state(), int(StateFailed));
    QCOMPARE(freq->errorText(), text);
    QCOMPARE(paketError.count(), 1);
    QCOMPARE(paketError.at(0).at(0), QVariant(18));
    QCOMPARE(paketError.at(0).at(1).toString(), text);
    // The frequency control gets the last known value back (after the echo, if there was one).
    QCOMPARE(signalFreq.count(), freqBefore + (readBack.isEmpty() ? 1 : 2));
    QCOMPARE(rig.dev->queueSize(), 0);
}

void TestZAbstractDevice::queueClearing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("queueChanges");
    QTest::newRow("critical") << "critical" << 0;
    QTest::newRow("abort") << "abort" << 1;
    QTest::newRow("stop") << "stop" << 0;
}

void TestZAbstractDevice::queueClearing()
{
    QFETCH(QString, how);
    QFETCH(int, queueChanges);
    DeviceRig rig;
    QVERIFY(rig.start());
    rig.dev->setPause(true);
    rig.dev->readData(15);
    rig.dev->readData(18);
    rig.dev->setBlock(true);
    QCOMPARE(rig.dev->queueSize(), 2);
    QSignalSpy queueChange(rig.dev, &ZAbstractDevice::queueChange);
    QSignalSpy critical(rig.dev, &ZAbstractDevice::critical);
    QSignalSpy unblocked(rig.dev, &ZAbstractDevice::unblocked);
    if (how == "critical") {
        rig.conn->deliverCritical(QStringLiteral("Serial write fails 5 times in row"));
        QVERIFY(QTest::qWaitFor([&] { return critical.count() == 1; }));
        QCOMPARE(critical.at(0).at(0).toString(),
                 QStringLiteral("Serial write fails 5 times in row"));
    } else if (how == "abort") {
        rig.dev->abort();
        QCOMPARE(unblocked.count(), 1);
        QVERIFY(!rig.dev->isBlocked());
    } else {
        rig.dev->stop();
    }
    QCOMPARE(rig.dev->queueSize(), 0);
    QCOMPARE(queueChange.count(), queueChanges);
}

void TestZAbstractDevice::propertiesByName()
{
    DeviceRig rig;
    QSignalSpy paramChange(rig.dev, &ZAbstractDevice::paramChange);
    QSignalSpy paramError(rig.dev, &ZAbstractDevice::paramError);
    QSignalSpy askIntervalChange(rig.dev, &ZAbstractDevice::askIntervalChange);
    const char *names[] = {"autoask", "askinterval", "maxlostinrow", "waitinterval"};
    const QVariant values[] = {true, 25, 7, 400};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(rig.dev->setProperty(names[i], values[i]));
        QCOMPARE(paramChange.last().at(0).toString(), QString::fromLatin1(names[i]));
        QCOMPARE(paramChange.last().at(1), values[i]);
        QCOMPARE(rig.dev->property(names[i]), values[i]);
    }
    QCOMPARE(askIntervalChange.count(), 1);
    QCOMPARE(rig.conn->readTimeout(), 400);

    rig.dev->setNoStatus(true);
    rig.dev->setProperty("autoask", false);
    QCOMPARE(paramError.count(), 1);
    QCOMPARE(paramError.at(0).at(0).toString(),
             QStringLiteral("Ошибка! Устройство не имеет статусного регистра"));
    QCOMPARE(paramChange.count(), 4);
    QCOMPARE(rig.dev->autoask(), true);
}

void TestZAbstractDevice::configRoundTrip()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    {
        DeviceRig rig;
        rig.dev->setAskInterval(42);
        rig.dev->setMaxLostInRow(5);
        rig.dev->saveConfig(&settings);
    }
    QCOMPARE(settings.value("TARN/AskInterval").toInt(), 42);
    QCOMPARE(settings.value("TARN/MaxLost").toInt(), 5);
    DeviceRig rig;
    rig.dev->loadConfig(&settings);
    QCOMPARE(rig.dev->askInterval(), 42);
    QCOMPARE(rig.dev->maxLostInRow(), 3); // only the interval is restored
}

void TestZAbstractDevice::destructorReleasesLink()
{
    QPointer<ScriptedConnection> conn;
    QPointer<ZFastProtocolHendler> handler;
    {
        DeviceRig rig;
        conn = rig.conn;
        handler = rig.handler;
        QVERIFY(rig.start());
        delete rig.dev;
        rig.dev = nullptr;
        QVERIFY(handler.isNull());
        QVERIFY(!conn.isNull()); // scheduled, not yet deleted
        QCOMPARE(conn->stopCalls, 1);
    }
    QVERIFY(conn.isNull());
}

QTEST_GUILESS_MAIN(TestZAbstractDevice)
#include "tst_zabstractdevice.moc"
