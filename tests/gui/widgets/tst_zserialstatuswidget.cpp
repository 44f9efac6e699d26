// The serial status strip and its line settings dialog on the offscreen platform.

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "emulatorrig.h"
#include "zabstractconnection.h"
#include "zserialstatuswidget.h"
#include "zsetserialdialog.h"

Q_DECLARE_METATYPE(Ser2NetServer::Kind)

namespace {

const QColor Green(QStringLiteral("#5BE33B"));
const QColor Grey(QStringLiteral("#B6B6B6"));

QColor windowColour(const QWidget *w)
{
    return w->palette().color(QPalette::Active, QPalette::Window);
}

template <typename T> T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

// What the strip hands out when the operator presses start: the details, then start.
struct StartLog
{
    QStringList events;
    ZSerialPortProps details;

    explicit StartLog(ZSerialStatusWidget *w)
    {
        QObject::connect(w, &ZSerialStatusWidget::portDetailsSet, [this](QVariant &v) {
            details = ZSerialPortProps::fromVariant(v);
            events << QStringLiteral("details");
        });
        QObject::connect(w, &ZSerialStatusWidget::start, [this] { events << QStringLiteral("start"); });
        QObject::connect(w, &ZSerialStatusWidget::stop, [this] { events << QStringLiteral("stop"); });
    }
};

} // namespace

class TestZSerialStatusWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerSerialPortPropsType(); }
    void statusSlots_data();
    void statusSlots();
    void startStopFollowsRunning();
    void dialogFallbacks_data();
    void dialogFallbacks();
    void dialogPortList();
    void oneDialogAtATime();
    void networkPort_data();
    void networkPort();
};

void TestZSerialStatusWidget::statusSlots_data()
{
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QColor>("widget");
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QString>("tooltip");

    const QString none = "<b>Статус:</b> нет соединения";
    const QString linked = "<b>Статус:</b> соединен";
    QTest::newRow("at creation") << QStringList() << none << "<b>Соединение:</b> порт закрыт" << Grey << Grey
                                 << "Запуск";
    QTest::newRow("starting") << QStringList{"initStart"} << none << "<b>Соединение:</b> запуск" << Grey << Grey
                              << "Запуск";
    QTest::newRow("started, device answers")
        << QStringList{"initStart", "started", "connected"} << linked << "<b>Соединение:</b> порт открыт" << Green
        << Green << "Остановить";
    // The port stays open while the device is silent: the frame keeps its green.
    QTest::newRow("device falls silent")
        << QStringList{"started", "connected", "disconnected"} << none << "<b>Соединение:</b> порт открыт" << Grey
        << Green << "Остановить";
    QTest::newRow("stopping") << QStringList{"started", "initFinish"} << none << "<b>Соединение:</b> остановка"
                              << Grey << Green << "Остановить";
    QTest::newRow("stopped after answering")
        << QStringList{"started", "connected", "finished"} << linked << "<b>Соединение:</b> порт закрыт" << Green
        << Grey << "Запуск";
}

void TestZSerialStatusWidget::statusSlots()
{
    QFETCH(QStringList, calls);
    QFETCH(QString, status);
    QFETCH(QString, connection);
    QFETCH(QColor, widget);
    QFETCH(QColor, frame);
    QFETCH(QString, tooltip);
    ZSerialStatusWidget strip;
    strip.show();
    for (const QString &call : calls)
        QVERIFY(QMetaObject::invokeMethod(&strip, call.toLatin1().constData()));
    QCOMPARE(child<QLabel>(&strip, "label_status")->text(), status);
    QCOMPARE(child<QLabel>(&strip, "label_connection")->text(), connection);
    QCOMPARE(windowColour(&strip), widget);
    QCOMPARE(windowColour(child<QFrame>(&strip, "frame_port")), frame);
    QCOMPARE(child<QPushButton>(&strip, "pushButton_startStop")->toolTip(), tooltip);
}

void TestZSerialStatusWidget::startStopFollowsRunning()
{
    ZSerialStatusWidget strip;
    strip.show();
    StartLog log(&strip);
    auto *button = child<QPushButton>(&strip, "pushButton_startStop");
    auto *port = child<QComboBox>(&strip, "comboBox_port");

    // The device's settings arrive; a name typed by hand then goes out unchanged with them.
    ZSerialPortProps props;
    props.name = QStringLiteral("ttyUSB0");
    props.baudRate = 9600;
    props.parity = 2;
    strip.serialDitails(props.toVariant());
    QCOMPARE(port->currentText(), QStringLiteral("ttyUSB0"));
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), "/dev/serial/by-id/usb-Adapter port0");
    // Dropped down, the list is the machine's ports now; a port since unplugged is gone from it
    // and the typed name stays.
    port->addItem(QStringLiteral("ttyUNPLUGGED"));
    QTest::keyClick(port, Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(port->view()->isVisible());
    QCOMPARE(port->findText(QStringLiteral("ttyUNPLUGGED")), -1);
    QCOMPARE(port->currentText(), QStringLiteral("/dev/serial/by-id/usb-Adapter port0"));
    port->hidePopup();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(log.events, (QStringList{"details", "start"}));
    props.name = QStringLiteral("/dev/serial/by-id/usb-Adapter port0");
    QCOMPARE(log.details, props);

    // Pressing again before the port opened starts again; once open, it stops.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(log.events.mid(2), (QStringList{"details", "start"}));
    strip.started();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(log.events.mid(4), QStringList{"stop"});
    strip.finished();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(log.events.mid(5), (QStringList{"details", "start"}));
}

void TestZSerialStatusWidget::dialogFallbacks_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("all in the lists") << 9600 << 7 << 3 << 5 << 2 << QStringList{"9600", "7", "1.5", "Mark", "XON/XOFF"};
    QTest::newRow("defaults") << 115200 << 8 << 2 << 0 << 0 << QStringList{"115200", "8", "2", "None", "None"};
    QTest::newRow("none in the lists") << 57600 << 9 << 0 << 1 << 7
                                       << QStringList{"115200", "8", "2", "None", "None"};
}

void TestZSerialStatusWidget::dialogFallbacks()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(int, flow);
    QFETCH(QStringList, shown);
    ZSerialPortProps props;
    props.name = QStringLiteral("ttyS3");
    props.baudRate = baud;
    props.dataBits = dataBits;
    props.stopBits = stopBits;
    props.parity = parity;
    props.flowControl = flow;
    ZSetSerialDialog dialog(props);
    dialog.show();
    QCOMPARE(child<QComboBox>(&dialog, "comboBox_port")->currentText(), QStringLiteral("ttyS3"));
    const char *names[] = {"comboBox_speed", "comboBox_dataBits", "comboBox_stopBits", "comboBox_parity",
                           "comboBox_flowControl"};
    QStringList texts;
    for (const char *name : names)
        texts << child<QComboBox>(&dialog, name)->currentText();
    QCOMPARE(texts, shown);
}

void TestZSerialStatusWidget::dialogPortList()
{
    ZSetSerialDialog dialog(ZSerialPortProps{});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QSignalSpy applied(&dialog, &ZSetSerialDialog::serialApply);
    auto *port = child<QComboBox>(&dialog, "comboBox_port");
    // The system's own ports vary; these two stand for what it reports.
    port->clear();
    port->addItem(QStringLiteral("ttyS0 Built-in port"));
    port->addItem(QStringLiteral("ttyUSB1 USB adapter (FT232R)"));
    port->setCurrentIndex(0);
    QTest::keyClick(port, Qt::Key_Down);
    QCOMPARE(port->currentText(), QStringLiteral("ttyUSB1"));

    // Speed and parity chosen with the keyboard, then "Принять".
    auto *speed = child<QComboBox>(&dialog, "comboBox_speed");
    QTest::keyClick(speed, Qt::Key_Up); // 115200 -> 38400
    auto *parity = child<QComboBox>(&dialog, "comboBox_parity");
    QTest::keyClick(parity, Qt::Key_Down); // None -> Even
    QTest::mouseClick(child<QPushButton>(&dialog, "pushButton_apply"), Qt::LeftButton);
    QCOMPARE(applied.count(), 1);
    ZSerialPortProps expected;
    expected.name = QStringLiteral("ttyUSB1");
    expected.baudRate = 38400;
    expected.parity = 2;
    QCOMPARE(applied.at(0).at(0).value<ZSerialPortProps>(), expected);
    QVERIFY(!dialog.isVisible());
}

void TestZSerialStatusWidget::oneDialogAtATime()
{
    ZSerialStatusWidget strip;
    strip.show();
    auto *settings = child<QPushButton>(&strip, "pushButton_settings");
    QTest::mouseClick(settings, Qt::LeftButton);
    QTest::mouseClick(settings, Qt::LeftButton);
    QList<ZSetSerialDialog *> dialogs = strip.findChildren<ZSetSerialDialog *>();
    QCOMPARE(dialogs.size(), 1);
    QVERIFY(dialogs.first()->isVisible());

    // "Принять" gives the strip the dialog's settings; the dialog goes away.
    auto *port = child<QComboBox>(dialogs.first(), "comboBox_port");
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), "ttyACM2");
    QTest::mouseClick(child<QPushButton>(dialogs.first(), "pushButton_apply"), Qt::LeftButton);
    QTRY_VERIFY(strip.findChildren<ZSetSerialDialog *>().isEmpty());
    QCOMPARE(strip.portProps().name, QStringLiteral("ttyACM2"));
    QCOMPARE(child<QComboBox>(&strip, "comboBox_port")->currentText(), QStringLiteral("ttyACM2"));

    // Closed, it can be opened again, with the strip's settings.
    QTest::mouseClick(settings, Qt::LeftButton);
    dialogs = strip.findChildren<ZSetSerialDialog *>();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(child<QComboBox>(dialogs.first(), "comboBox_port")->currentText(), QStringLiteral("ttyACM2"));
    QTest::mouseClick(child<QPushButton>(dialogs.first(), "pushButton_cancel"), Qt::LeftButton);
    QTRY_VERIFY(strip.findChildren<ZSetSerialDialog *>().isEmpty());
    QCOMPARE(strip.portProps().name, QStringLiteral("ttyACM2"));
}

void TestZSerialStatusWidget::networkPort_data()
{
    QTest::addColumn<Ser2NetServer::Kind>("kind");
    QTest::addColumn<int>("lineBaud");
    QTest::newRow("tcp: the server keeps its line") << Ser2NetServer::RawTcp << 115200;
    QTest::newRow("rfc2217: the server is told") << Ser2NetServer::Rfc2217 << 38400;
}

// The receiver behind ser2net, from the strip: its name typed and started, kept among the recent
// names; the dialog says who sets the line, and a speed chosen there reaches the line through
// RFC 2217 while the exchange runs, the dialog then showing what the server confirmed.
void TestZSerialStatusWidget::networkPort()
{
    QFETCH(Ser2NetServer::Kind, kind);
    QFETCH(int, lineBaud);
    EmulatorRig rig;
    QVERIFY(rig.startServer(kind));
    ZTarnVex *device = rig.device.get();
    ZSerialStatusWidget strip;
    // Wired as the window wires them.
    connect(&strip, &ZSerialStatusWidget::portDetailsSet, device, &ZAbstractDevice::on_connectionDetailsSet);
    connect(&strip, &ZSerialStatusWidget::start, device, &ZAbstractDevice::start);
    connect(device, &ZAbstractDevice::started, &strip, &ZSerialStatusWidget::started);
    connect(device, &ZAbstractDevice::connectionDetails, &strip, &ZSerialStatusWidget::serialDitails);
    strip.show();

    auto *port = child<QComboBox>(&strip, "comboBox_port");
    port->lineEdit()->selectAll();
    QTest::keyClicks(port->lineEdit(), rig.server->portName());
    QTest::mouseClick(child<QPushButton>(&strip, "pushButton_startStop"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(device->isConnected(), 10000);
    QVERIFY(port->findText(rig.server->portName()) >= 0);

    auto *settings = child<QPushButton>(&strip, "pushButton_settings");
    QTest::mouseClick(settings, Qt::LeftButton);
    auto *dialog = strip.findChild<ZSetSerialDialog *>();
    QVERIFY(dialog);
    auto *speed = child<QComboBox>(dialog, "comboBox_speed");
    QCOMPARE(speed->isEnabled(), kind == Ser2NetServer::Rfc2217);
    QVERIFY(child<QLabel>(dialog, "label_lineOwner")->text().contains(
        QStringLiteral("127.0.0.1:%1").arg(rig.server->port())));
    QTest::keyClick(speed, Qt::Key_Up); // 115200 -> 38400, where it may be chosen
    QSignalSpy details(device, &ZAbstractDevice::connectionDetails);
    QTest::mouseClick(child<QPushButton>(dialog, "pushButton_apply"), Qt::LeftButton);
    // Over raw TCP nothing changed, so nothing is sent.
    if (kind == Ser2NetServer::Rfc2217)
        QTRY_VERIFY_WITH_TIMEOUT(!details.isEmpty(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.emulator.lineBaudRate(), lineBaud, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(device->isConnected(), 10000);

    QTest::mouseClick(settings, Qt::LeftButton);
    dialog = strip.findChild<ZSetSerialDialog *>();
    QVERIFY(dialog);
    QCOMPARE(child<QComboBox>(dialog, "comboBox_speed")->currentText(), QString::number(lineBaud));
}

QTEST_MAIN(TestZSerialStatusWidget)
#include "tst_zserialstatuswidget.moc"
