// Decoding of the receiver's status payload (telemetry, spectrum, alarms, display lines) and
// the register hooks, fed through the engine with payloads built byte by byte.

#include <QDataStream>

#include <cmath>

#include "devicerig.h"
#include "zalarm.h"

namespace {

struct Telemetry
{
    quint8 status = 0;
    quint8 lock = 1;
    float power = -42.5f;
    float voltage = 3.25f;
    qint32 frequency = 70000;
    quint16 maxPos = 1023;
    quint16 filter = 12;
    float averagePow = -40.0f;
    float signalToNoise = 17.5f;
    float correction = 0.0f;
    quint8 frameNo = 5;
    QVector<float> spectrum = QVector<float>(32, 1.0f);
    QByteArray top = "TOP";
    QByteArray bottom = "BOTTOM";

    // The full 207-byte status payload: 159 bytes of telemetry, then the two 24-byte lines.
    QByteArray payload() const
    {
        QByteArray b;
        QDataStream s(&b, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s.setFloatingPointPrecision(QDataStream::SinglePrecision);
        s << status << lock << power << voltage << frequency << maxPos << filter << averagePow
          << signalToNoise << correction << frameNo;
        for (float v : spectrum)
            s << v;
        b.append(top.leftJustified(24, '\0', true));
        b.append(bottom.leftJustified(24, '\0', true));
        return b;
    }
};

struct Rig : DeviceRig
{
    Rig()
    {
        // Short payloads are part of what is tested here.
        handler->setLengthCheckOff(true);
        start();
    }
    void status(const QByteArray &payload) { answer(TestBytes::response(1, payload)); }
};

} // namespace

class TestZTarnVex : public QObject
{
    Q_OBJECT
private slots:
    void statusByte_data();
    void statusByte();
    void spectrumLevel_data();
    void spectrumLevel();
    void spectrumFrameFromPayload();
    void changeDrivenSignals_data();
    void changeDrivenSignals();
    void lcdLines_data();
    void lcdLines();
    void shortPayloads_data();
    void shortPayloads();
    void frameNumbersPassedRaw_data();
    void frameNumbersPassedRaw();
    void disconnectionResetsSilently();
    void registerHooks_data();
    void registerHooks();
    void serviceRegisters();
    void configVoltageTakesMeasuredPower();
};

void TestZTarnVex::statusByte_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("general");
    QTest::addColumn<QVector<int>>("alarms");
    QTest::addColumn<int>("attenuator");
    QTest::newRow("0x81") << 0x81 << 1 << QVector<int>{1, 0, 0, 0, 0, 0, 0} << 128;
    QTest::newRow("0x7E") << 0x7E << 0 << QVector<int>{0, 1, 1, 1, 1, 1, 1} << 0;
    QTest::newRow("0x00") << 0x00 << 0 << QVector<int>{0, 0, 0, 0, 0, 0, 0} << 0;
}

void TestZTarnVex::statusByte()
{
    QFETCH(int, status);
    QFETCH(int, general);
    QFETCH(QVector<int>, alarms);
    QFETCH(int, attenuator);
    Rig rig;
    QSignalSpy generalAlarm(rig.dev, &ZDeviceStandard::generalAlarm);
    QSignalSpy attenuatorChanged(rig.dev, &ZTarnVex::attenuatorChanged);
    Telemetry t;
    t.status = quint8(status);
    rig.status(t.payload());

    QCOMPARE(rig.dev->generalAlarmValue(), general);
    QCOMPARE(generalAlarm.count(), 1);
    QCOMPARE(rig.dev->attenuator(), attenuator);
    QCOMPARE(attenuatorChanged.count(), 1);
    QCOMPARE(rig.dev->alarms().size(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(rig.dev->alarms().at(i)->state(), alarms.at(i));
        QCOMPARE(rig.dev->isAlarmActive(i), alarms.at(i) == 1);
    }
    QVERIFY(!rig.dev->isAlarmActive(7));
    QVERIFY(!rig.dev->isAlarmActive(-1));
}

void TestZTarnVex::spectrumLevel_data()
{
    QTest::addColumn<float>("linear");
    QTest::addColumn<float>("correction");
    QTest::addColumn<double>("level");
    QTest::newRow("zero clamps") << 0.0f << 0.0f << -200.0;
    QTest::newRow("negative is 1e-6, clamps") << -5.0f << 0.0f << -200.0;
    QTest::newRow("one") << 1.0f << 0.0f << double(float(-184.8));
    QTest::newRow("one, correction 10") << 1.0f << 10.0f << double(float(-194.8));
    QTest::newRow("negative, correction -50") << -1.0f << -50.0f << double(float(-194.8));
    QTest::newRow("1e3") << 1000.0f << 0.0f << double(float(30.0 - 184.8));
    QTest::newRow("just below floor") << 0.01f << 0.0f << -200.0;
    QTest::newRow("1e20") << 1e20f << 0.0f << double(float(10.0 * std::log10(double(1e20f)) - 184.8));
}

void TestZTarnVex::spectrumLevel()
{
    QFETCH(float, linear);
    QFETCH(float, correction);
    QFETCH(double, level);
    // Exact: the level is rounded to single precision, so it must hit the float value.
    QCOMPARE(ZTarnVex::spectrumLevel(linear, correction), level);
}

void TestZTarnVex::spectrumFrameFromPayload()
{
    Rig rig;
    QSignalSpy frames(rig.dev, &ZTarnVex::spectrFrame);
    Telemetry t;
    t.correction = 10.0f;
    t.spectrum[0] = 0.0f;
    t.spectrum[1] = 1000.0f;
    t.spectrum[31] = 1e6f;
    rig.status(t.payload());
    QCOMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(0).toInt(), 5);
    const SpectrFrame frame = frames.at(0).at(1).value<SpectrFrame>();
    QCOMPARE(frame.size(), 32);
    QCOMPARE(frame.at(0), -200.0);
    QCOMPARE(frame.at(1), double(float(30.0 - 184.8 - 10.0)));
    QCOMPARE(frame.at(2), double(float(-194.8)));
    QCOMPARE(frame.at(31), double(float(60.0 - 184.8 - 10.0)));
    QCOMPARE(rig.dev->correction(), 10.0f);
}

void TestZTarnVex::changeDrivenSignals_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<bool>("nanAverage");
    QTest::addColumn<int>("count");
    const struct { const char *sig; int count; } rows[] = {
        {SIGNAL(signalPow(float)), 2},           {SIGNAL(signalVolt(float)), 2},
        {SIGNAL(spectrFrame(int, SpectrFrame)), 2}, {SIGNAL(statusRcv(QByteArray)), 2},
        {SIGNAL(signalFreq(int)), 1},            {SIGNAL(signalLock(int)), 1},
        {SIGNAL(attenuatorChanged(int)), 1},     {SIGNAL(maxPosChanged(int)), 1},
        {SIGNAL(filterChanged(float)), 1},       {SIGNAL(averagePow(float)), 1},
        {SIGNAL(signalToNoiseChanged(float)), 1}, {SIGNAL(generalAlarm(int)), 1},
        {SIGNAL(bottomLcdChange(QString)), 1},   {SIGNAL(topLcdChange(QString)), 1},
    };
    for (const auto &row : rows)
        QTest::newRow(row.sig + 1) << QByteArray(row.sig) << false << row.count;
    QTest::newRow("NaN average power every time") << QByteArray(SIGNAL(averagePow(float)))
                                                  << true << 2;
}

void TestZTarnVex::changeDrivenSignals()
{
    QFETCH(QByteArray, signal);
    QFETCH(bool, nanAverage);
    QFETCH(int, count);
    Rig rig;
    QSignalSpy spy(rig.dev, signal.constData());
    QVERIFY(spy.isValid());
    Telemetry t;
    if (nanAverage)
        t.averagePow = std::nanf("");
    rig.status(t.payload());
    rig.status(t.payload());
    QCOMPARE(spy.count(), count);
}

void TestZTarnVex::lcdLines_data()
{
    QTest::addColumn<QByteArray>("top");
    QTest::addColumn<QByteArray>("bottom");
    QTest::addColumn<QString>("topText");
    QTest::addColumn<QString>("bottomText");
    QTest::newRow("TEST") << QByteArray() << QByteArray("TEST") << QString() << "TEST";
    QTest::newRow("arrows") << QByteArray("\x18 F=70 MHz \x19") << QByteArray("\x19\x18")
                            << QString::fromUtf8("↑ F=70 MHz ↓") << QString::fromUtf8("↓↑");
    QTest::newRow("Windows-1251") << QByteArray("\xD2\xC5\xD1\xD2") << QByteArray("OK")
                                  << QStringLiteral("ТЕСТ") << "OK";
    QTest::newRow("text after zero ignored") << QByteArray("AB\0CD", 5) << QByteArray("X")
                                             << "AB" << "X";
    QTest::newRow("full 24 characters") << QByteArray(24, 'A') << QByteArray(24, 'B')
                                        << QString(24, 'A') << QString(24, 'B');
}

void TestZTarnVex::lcdLines()
{
    QFETCH(QByteArray, top);
    QFETCH(QByteArray, bottom);
    QFETCH(QString, topText);
    QFETCH(QString, bottomText);
    Rig rig;
    QSignalSpy topSpy(rig.dev, &ZDeviceStandard::topLcdChange);
    QSignalSpy bottomSpy(rig.dev, &ZDeviceStandard::bottomLcdChange);
    Telemetry t;
    t.top = top;
    t.bottom = bottom;
    rig.status(t.payload());
    rig.status(t.payload());
    QCOMPARE(rig.dev->topLine(), topText);
    QCOMPARE(rig.dev->bottomLine(), bottomText);
    // An empty line equals the empty start value and is not announced.
    QCOMPARE(topSpy.count(), topText.isEmpty() ? 0 : 1);
    QCOMPARE(bottomSpy.count(), 1);
    if (!topText.isEmpty())
        QCOMPARE(topSpy.at(0).at(0).toString(), topText);
    QCOMPARE(bottomSpy.at(0).at(0).toString(), bottomText);
}

void TestZTarnVex::shortPayloads_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("displayOnly");
    QTest::addColumn<bool>("frame");
    QTest::addColumn<float>("power");
    QTest::newRow("empty") << 0 << false << false << 0.0f;
    QTest::newRow("status byte only") << 1 << false << false << 0.0f;
    QTest::newRow("power cut") << 4 << false << false << 0.0f;
    QTest::newRow("48 bytes of display text") << 48 << true << false << 0.0f;
    QTest::newRow("up to the frame number") << 31 << false << false << -42.5f;
    QTest::newRow("one spectrum byte short") << 158 << false << false << -42.5f;
    QTest::newRow("telemetry only") << 159 << false << true << -42.5f;
}

void TestZTarnVex::shortPayloads()
{
    QFETCH(int, size);
    QFETCH(bool, displayOnly);
    QFETCH(bool, frame);
    QFETCH(float, power);
    Rig rig;
    QSignalSpy frames(rig.dev, &ZTarnVex::spectrFrame);
    QSignalSpy pow(rig.dev, &ZAbstractTarn::signalPow);
    QSignalSpy top(rig.dev, &ZDeviceStandard::topLcdChange);
    QSignalSpy bottom(rig.dev, &ZDeviceStandard::bottomLcdChange);
    Telemetry t;
    t.top = QByteArray(24, 'T');
    t.bottom = QByteArray(24, 'B');
    const QByteArray payload = displayOnly ? (t.top + t.bottom) : t.payload().left(size);
    QCOMPARE(payload.size(), size);
    rig.status(payload);
    QCOMPARE(frames.count(), frame ? 1 : 0);
    // The fields that are there are decoded; missing ones read as zero.
    QCOMPARE(pow.count(), 1);
    if (!displayOnly)
        QCOMPARE(pow.at(0).at(0).toFloat(), power);
    if (size < 49) {
        QCOMPARE(top.count(), 0);
        QCOMPARE(bottom.count(), 0);
    }
}

void TestZTarnVex::frameNumbersPassedRaw_data()
{
    QTest::addColumn<int>("number");
    for (int n : {0, 63, 64, 200, 255})
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestZTarnVex::frameNumbersPassedRaw()
{
    QFETCH(int, number);
    Rig rig;
    QSignalSpy frames(rig.dev, &ZTarnVex::spectrFrame);
    Telemetry t;
    t.frameNo = quint8(number);
    rig.status(t.payload());
    QCOMPARE(frames.count(), 1);
    QCOMPARE(frames.at(0).at(0).toInt(), number);
}

void TestZTarnVex::disconnectionResetsSilently()
{
    Rig rig;
    Telemetry t;
    t.status = 0x81;
    rig.status(t.payload());
    QCOMPARE(rig.dev->frequency(), 70000);

    QList<QSignalSpy *> spies;
    for (const char *sig :
         {SIGNAL(topLcdChange(QString)), SIGNAL(bottomLcdChange(QString)),
          SIGNAL(generalAlarm(int)), SIGNAL(signalFreq(int)), SIGNAL(signalLock(int)),
          SIGNAL(signalPow(float)), SIGNAL(averagePow(float)), SIGNAL(attenuatorChanged(int)),
          SIGNAL(firmwareChange(QString))})
        spies << new QSignalSpy(rig.dev, sig);
    QSignalSpy alarm0(rig.dev->alarms().at(0), &ZAlarm::changed);

    rig.timeout();
    rig.timeout();
    rig.timeout();
    QVERIFY(!rig.dev->isConnected());
    rig.dev->reportTelemetry();
    for (QSignalSpy *spy : qAsConst(spies))
        QCOMPARE(spy->count(), 0);
    QCOMPARE(alarm0.count(), 0);

    QCOMPARE(rig.dev->topLine(), QString());
    QCOMPARE(rig.dev->bottomLine(), QString());
    QCOMPARE(rig.dev->generalAlarmValue(), -1);
    QCOMPARE(rig.dev->alarms().at(0)->state(), -1);
    QCOMPARE(rig.dev->lock(), -1);
    QCOMPARE(rig.dev->frequency(), -1);
    QCOMPARE(rig.dev->attenuator(), -1);
    QCOMPARE(rig.dev->maxPos(), -1);
    QCOMPARE(rig.dev->filter(), -1);
    QVERIFY(std::isnan(rig.dev->power()));
    QVERIFY(std::isnan(rig.dev->voltage()));
    QVERIFY(std::isnan(rig.dev->signalToNoise()));
    QCOMPARE(rig.dev->averagePowerValue(), -1.0f);
    QCOMPARE(rig.dev->averagePower(), -1);

    // The same reply after reconnecting differs from the forgotten state: announced again.
    rig.status(t.payload());
    for (QSignalSpy *spy : qAsConst(spies))
        QCOMPARE(spy->count(), spy->signal() == "firmwareChange(QString)" ? 0 : 1);
    QCOMPARE(alarm0.count(), 1);
    // Connected: everything is re-emitted on request, except the spectrum and general alarm.
    QSignalSpy frames(rig.dev, &ZTarnVex::spectrFrame);
    rig.dev->reportTelemetry();
    QCOMPARE(alarm0.count(), 2);
    QCOMPARE(spies.at(2)->count(), 1);
    QCOMPARE(spies.at(3)->count(), 2);
    QCOMPARE(frames.count(), 0);
    qDeleteAll(spies);
}

void TestZTarnVex::registerHooks_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<double>("value");
    QTest::newRow("frequency echoed") << 18 << TestBytes::le32(1500) << false << 1 << 1500.0;
    QTest::newRow("frequency mismatch: last value back")
        << 18 << TestBytes::le32(1499) << false << 1 << 70000.0;
    QTest::newRow("frequency timeout: nothing") << 18 << QByteArray() << true << 0 << 0.0;
    QTest::newRow("average power echoed") << 15 << TestBytes::leFloat(-30.5f) << false << 1
                                          << -30.5;
    QTest::newRow("average power mismatch: last value back")
        << 15 << TestBytes::leFloat(-30.0f) << false << 1 << -40.0;
    QTest::newRow("average power timeout: nothing") << 15 << QByteArray() << true << 0 << 0.0;
}

void TestZTarnVex::registerHooks()
{
    QFETCH(int, reg);
    QFETCH(QByteArray, echo);
    QFETCH(bool, timeout);
    QFETCH(int, emitted);
    QFETCH(double, value);
    Rig rig;
    if (reg == 18)
        rig.dev->configFreq(1500);
    else
        rig.dev->writeAveragePow(-30.5f);
    rig.status(Telemetry().payload());
    QSignalSpy freq(rig.dev, &ZAbstractTarn::signalFreq);
    QSignalSpy avg(rig.dev, &ZTarnVex::averagePow);
    if (timeout)
        rig.timeout();
    else
        rig.answer(TestBytes::response(reg, echo, true));
    QSignalSpy &spy = reg == 18 ? freq : avg;
    QCOMPARE((reg == 18 ? avg : freq).count(), 0);
    QCOMPARE(spy.count(), emitted);
    if (emitted)
        QCOMPARE(spy.at(0).at(0).toDouble(), value);
}

void TestZTarnVex::serviceRegisters()
{
    Rig rig;
    QSignalSpy firmware(rig.dev, &ZDeviceStandard::firmwareChange);
    rig.dev->readFirmwareVersion();
    rig.dev->readFirmwareVersion();
    rig.dev->blockButtonClicked(5);
    rig.status(Telemetry().payload());
    const QByteArray version = QByteArray("1.2.3").leftJustified(16, '\0');
    rig.answer(TestBytes::response(65531, version));
    rig.answer(TestBytes::response(65531, version));
    QCOMPARE(firmware.count(), 2);
    QCOMPARE(rig.dev->firmware(), QStringLiteral("1.2.3"));
    bool ok = false;
    QCOMPARE(rig.conn->requests.last(),
             rig.handler->buildWriteRequest(*findRegister(rig.table, 3), 5, &ok, 1));

    DeviceRig stopped;
    QSignalSpy error(stopped.dev, &ZAbstractDevice::error);
    stopped.dev->resetAlarms();
    QCOMPARE(error.count(), 1);
    QCOMPARE(error.at(0).at(0).toString(), QStringLiteral("ТАРН: устройство остановлено."));
    QCOMPARE(stopped.dev->queueSize(), 0);
}

void TestZTarnVex::configVoltageTakesMeasuredPower()
{
    Rig rig;
    QSignalSpy error(rig.dev, &ZAbstractDevice::error);
    // Nothing measured yet: no NaN goes to the device.
    rig.dev->configVoltage(QVariant());
    QCOMPARE(error.count(), 1);
    QCOMPARE(error.at(0).at(0).toString(),
             QStringLiteral("ТАРН: ошибка преобразования значения в данные регистра."));
    QCOMPARE(rig.dev->queueSize(), 0);

    rig.status(Telemetry().payload());
    rig.dev->configVoltage(QVariant());
    rig.status(Telemetry().payload());
    bool ok = false;
    QCOMPARE(rig.conn->requests.last(),
             rig.handler->buildWriteRequest(*findRegister(rig.table, 15), -42.5f, &ok, 1));
}

QTEST_GUILESS_MAIN(TestZTarnVex)
#include "tst_ztarnvex.moc"
