// The receiver behind a device server: the device and its worker against Debian's ser2net, which
// the test runs on a loopback port in front of the emulator's pseudo-terminal, as raw TCP and as
// Telnet with the COM-port control option.

#include <QSignalSpy>
#include <QtTest>

#include "emulatorrig.h"
#include "zabstractconnection.h"

Q_DECLARE_METATYPE(Ser2NetServer::Kind)

namespace {

void bothForms()
{
    QTest::addColumn<Ser2NetServer::Kind>("kind");
    QTest::newRow("tcp") << Ser2NetServer::RawTcp;
    QTest::newRow("rfc2217") << Ser2NetServer::Rfc2217;
}

} // namespace

class TestDeviceThroughServer : public QObject
{
    Q_OBJECT

private slots:
    void pollWriteAndReadBack_data() { bothForms(); }
    void pollWriteAndReadBack();
    void lineSettingsReachTheLine_data() { bothForms(); }
    void lineSettingsReachTheLine();
    void serverRestarted_data() { bothForms(); }
    void serverRestarted();
};

void TestDeviceThroughServer::pollWriteAndReadBack()
{
    QFETCH(Ser2NetServer::Kind, kind);
    EmulatorRig rig;
    rig.emulator.setSignalPower(-42.5);
    QVERIFY(rig.startServer(kind));
    QVERIFY(rig.connect());
    ZTarnVex *device = rig.device.get();
    // The status reply carries 0xFF bytes, which Telnet doubles on the way.
    QTRY_VERIFY_WITH_TIMEOUT(rig.emulator.statusPolls() >= 3, 10000);
    QCOMPARE(device->power(), -42.5f);

    QList<int> states;
    connect(device, &ZAbstractDevice::paketRcv, this, [&](const QVariant &id) {
        if (id.toInt() == 18)
            states << rig.reg(18)->state();
    });
    device->writeData(18, 3500000, true);
    QTRY_COMPARE_WITH_TIMEOUT(states, (QList<int>{StateEchoed, StateConfirmed}), 10000);
    states.clear();
    device->readData(18);
    QTRY_COMPARE_WITH_TIMEOUT(states, QList<int>{StateRead}, 10000);
    QCOMPARE(rig.reg(18)->value(), QVariant(3500000u));
    QCOMPARE(rig.emulator.frequency(), 3500000u);
}

// A new speed while polling: through RFC 2217 the server sets its line to it and says so, and the
// operator is shown what it confirmed; over raw TCP the line stays as the server has it.
void TestDeviceThroughServer::lineSettingsReachTheLine()
{
    QFETCH(Ser2NetServer::Kind, kind);
    EmulatorRig rig;
    QVERIFY(rig.startServer(kind));
    QVERIFY(rig.connect());
    ZTarnVex *device = rig.device.get();
    QCOMPARE(rig.emulator.lineBaudRate(), 115200);

    QSignalSpy details(device, &ZAbstractDevice::connectionDetails);
    QStringList said;
    connect(device, &ZAbstractDevice::message, this, [&](const QString &text) { said << text; });
    ZSerialPortProps props = ZSerialPortProps::fromVariant(device->connection()->details());
    props.baudRate = 38400;
    QVariant asked = QVariant::fromValue(props);
    device->on_connectionDetailsSet(asked);
    device->readData(18);
    // The line is opened again with the new settings, the server told of them on the way.
    QTRY_VERIFY_WITH_TIMEOUT(said.filter(QStringLiteral("Serial opened")).size() == 1, 10000);
    QCOMPARE(ZSerialPortProps::fromVariant(details.last().at(0)).baudRate, 38400);
    QTRY_COMPARE_WITH_TIMEOUT(rig.emulator.lineBaudRate(), kind == Ser2NetServer::Rfc2217 ? 38400 : 115200, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(device->isConnected(), 10000);
}

// ser2net ends and, after a failed attempt to reach it again, comes back on its port: the loss is
// said naming the server, the request in hand ends as lost, and polling resumes by itself.
void TestDeviceThroughServer::serverRestarted()
{
    QFETCH(Ser2NetServer::Kind, kind);
    EmulatorRig rig(500);
    QVERIFY(rig.startServer(kind));
    QVERIFY(rig.connect());
    ZTarnVex *device = rig.device.get();
    QSignalSpy critical(device, &ZAbstractDevice::critical);
    QSignalSpy finished(device, &ZAbstractDevice::finished);
    QSignalSpy lost(device, &ZAbstractDevice::paketTimeout);
    QSignalSpy unwritten(device, &ZAbstractDevice::paketWriteFail);

    rig.server->stop();
    QTRY_VERIFY_WITH_TIMEOUT(finished.count() >= 2, 20000);
    QVERIFY(!device->isConnected());
    QCOMPARE(critical.count(), 1);
    const QString said = critical.at(0).at(0).toString();
    QVERIFY2(said.contains(QStringLiteral("127.0.0.1:%1").arg(rig.server->port())), qPrintable(said));
    QVERIFY(lost.count() + unwritten.count() >= 1);

    QVERIFY(rig.server->start());
    QTRY_VERIFY_WITH_TIMEOUT(device->isConnected(), 20000);
    const quint64 polls = rig.emulator.statusPolls();
    QTRY_VERIFY_WITH_TIMEOUT(rig.emulator.statusPolls() >= polls + 3, 10000);
}

QTEST_GUILESS_MAIN(TestDeviceThroughServer)
#include "tst_devicethroughserver.moc"
