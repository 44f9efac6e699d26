// The main window: its form texts, styles and palettes, and the window driven by a receiver
// model talking to the emulator through a pseudo-terminal: live values, labels, alarm tiles,
// tuning, the MEM difference, the strip chart sources, the logging interval and the register
// dialog.

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <cmath>
#include <memory>

#include "emulatorrig.h"
#include "tarnwindow.h"
#include "zabstractconnection.h"
#include "zalarmwidget.h"
#include "zfloatspinbox.h"
#include "zlanguage.h"
#include "zrealtimechart.h"
#include "zregcontrol.h"
#include "zserialportprops.h"
#include "zshowfloatedit.h"
#include "zspectrchart.h"
#include "zspinbox.h"
#include "zwaterfallchart.h"
#include "zwaterfallwindow.h"
#include "zstartup.h"

namespace {

template <typename T = QWidget> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

// Every point of the spectrum at one level.
void flatSpectrum(ZSpectrChart *chart, double level)
{
    for (int no = 0; no < ZSpectrGeometry::FrameCount; ++no)
        chart->spectrFrame(no, SpectrFrame(32, level));
}

// The key (kHz into the span) of the highest point the spectrum shows.
double carrierKey(ZSpectrChart *chart)
{
    double best = -1e9, key = -1;
    const auto data = chart->graph(0)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
        if (it->value > best) {
            best = it->value;
            key = it->key;
        }
    }
    return key;
}

// The main window wired to a receiver on the emulator as start-up wires it.
class Rig : public EmulatorRig
{
public:
    // A silent emulator is noticed within a second.
    Rig() : EmulatorRig(150)
    {
        window = new TarnWindow;
        QObject::connect(device.get(), &ZAbstractDevice::connected, window, &TarnWindow::deviceConected);
        QObject::connect(device.get(), &ZAbstractDevice::disconnected, window, &TarnWindow::deviceDisconnected);
        window->setDevice(device.get());
        window->resize(1149, 676);
        window->show();
    }
    ~Rig()
    {
        device.reset();
        delete window;
    }
    template <typename T = QWidget> T *get(const char *name) const { return child<T>(window, name); }

    TarnWindow *window;
};

} // namespace

class TestTarnWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formContract_data();
    void formContract();
    void liveValuesAndDisconnect();
    void alarmTiles();
    void tuningMovesTheCarrier();
    void memDifference_data();
    void memDifference();
    void signalGraphStartsEmpty();
    void logIntervalStoredOnly();
    void toolWindowOpenedOnce_data();
    void toolWindowOpenedOnce();
    void waterfallFedByTheReceiver();
    void linkTroubleInStatusBar();
    void everyControlNamed();
    void englishWhenChosen();

private:
    QTemporaryDir m_appDir;
};

void TestTarnWindow::initTestCase()
{
    // The style sheets' browser-only lines are reported as debug output; not news here.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    ZStartup::useSettingsFileIn(m_appDir.path());
    // The logger stays off unless a test turns it on.
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    settings->setValue("Logger/Enable", false);
}

// What the operator reads: every text, style sheet and palette of the form.
void TestTarnWindow::formContract_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("expected");
    auto row = [](const char *object, const char *property, const QVariant &value) {
        QTest::addRow("%s.%s", object, property) << QString::fromLatin1(object) << QString::fromLatin1(property) << value;
    };
    const QString hover = QStringLiteral(" QPushButton:pressed {\n    border: 1px solid #73A7C4;\n    border-bottom: 0;    \n }\n QPushButton:hover {\n    border: 1px solid #ECF7FD;\n");
    const QString shadow = QStringLiteral("    -moz-box-shadow: 0 0 0 1px #3C7FB1;\n");
    const QString gradient = QStringLiteral("    background: -moz-linear-gradient(top, #EAF6FD 0%, #D9F0FC 50%, #BEE6FD 51%, #A7D9F5 100%);\n");

    row("TarnWindow", "windowTitle", QStringLiteral("ТАРН"));
    row("label_freq", "text", QStringLiteral("Частота, кГц"));
    row("label_signal", "text", QStringLiteral("<b>P</b> сигнала, дБм"));
    row("label_voltage", "text", QStringLiteral("<b>U</b> выхода, В"));
    row("label_gain", "text", QStringLiteral("<b>P</b> средняя, дБм"));
    row("groupBox", "title", QStringLiteral(" Средний уровень U выхода"));
    row("pushButton_setCurrentPow5v", "text", QStringLiteral("Задать текущую P"));
    row("groupBox_logger", "title", QStringLiteral("Интервал логирования"));
    row("label_2", "text", QStringLiteral(",мс"));
    row("pushButton_appLogTime", "text", QStringLiteral("Задать"));
    row("spinBox_logInterval", "maximum", 99999999);
    row("pushButton_mem_level", "text", QStringLiteral("MEM МАКС"));
    row("label_lock", "text", QStringLiteral("Нет захвата"));
    row("label_overload", "text", QStringLiteral("Перегрузка"));
    row("label_attCapt", "text", QStringLiteral("Атт :"));
    row("label_att", "text", QStringLiteral("Выкл"));
    row("pushButton_clear_spectr", "toolTip", QStringLiteral("Очистить"));
    row("pushButton_marker1", "text", QStringLiteral("М1"));
    row("pushButton_marker2", "text", QStringLiteral("М2"));
    row("pushButton_marker3", "text", QStringLiteral("M3"));
    row("pushButton_marker4", "text", QStringLiteral("M4"));
    row("checkBox_signalGraph", "text", QStringLiteral("Сигнал"));
    row("checkBox_signalGraph", "checked", true);
    row("checkBox_voltageGraph", "text", QStringLiteral("Напряжение"));
    row("label_secOnChart", "text", QStringLiteral("Секунд на графике"));
    row("spinBox_chartsSeconds", "value", 10);
    row("spinBox_chartsSeconds", "maximum", 100);
    row("pushButton_pause", "checkable", true);
    row("pushButton_clearReal", "toolTip", QStringLiteral("Очистить"));
    row("menu_exit", "title", QStringLiteral("Выход"));
    row("menu_settings", "title", QStringLiteral("Настройки"));
    row("menu_tools", "title", QStringLiteral("Инструменты"));
    row("action_exit", "text", QStringLiteral("Выход"));
    row("action_rgisters", "text", QStringLiteral("Регистры"));
    row("action_monitor", "text", QStringLiteral("Монитор"));
    row("action_logger", "text", QStringLiteral("Писать лог сигнала"));
    row("action_logger", "checkable", true);
    row("actionee", "text", QStringLiteral("ee"));
    row("spinBox_freq", "minimum", 950000);
    row("spinBox_freq", "maximum", 2184500);
    row("floatSpinBox_pow5v", "minimum", -120.0);
    row("floatSpinBox_pow5v", "maximum", -20.0);

    row("lineEdit_signal", "styleSheet", QStringLiteral("background-color: rgb(40, 110, 255);\ncolor: white;\nfont-size: 15px;"));
    row("lineEdit_voltage", "styleSheet", QStringLiteral("background-color: rgb(255, 113, 31);\ncolor: white;\nfont-size: 15px;"));
    row("pushButton_mem_level", "styleSheet", QString("QPushButton {\n\tcolor: rgb(204, 204, 204);\n\tbackground-color: rgb(46, 47, 48);\n\tborder: 1px solid #999;\n\tpadding: 1;\n }\n" + hover + shadow + gradient + "}"));
    row("label_delta_mem", "styleSheet", QStringLiteral("QLabel {\n\tcolor: rgb(204, 204, 204);\n}"));
    row("pushButton_clear_spectr", "styleSheet", QString("QPushButton {\n\tbackground-color: rgb(46, 47, 48);\n\tborder: 1px solid #999;\n\tpadding: 1;\n }\n" + hover + shadow + gradient + "}"));
    row("pushButton_marker1", "styleSheet", QString(" QPushButton {\n\tbackground-color: rgb(46, 47, 48);\n\tcolor:#FF3333;\n\tborder: 1px solid #999;\n\tpadding: 4;\n }\n" + hover + gradient + " }\n"));
    row("pushButton_marker2", "styleSheet", QString(" QPushButton {\n\tbackground-color: rgb(46, 47, 48);\n\tcolor:#FFC02E;\n\tborder: 1px solid #999;\n\tpadding: 4;\n }\n" + hover + gradient + " }\n"));
    row("pushButton_marker3", "styleSheet", QString("QPushButton {\n\tbackground-color: rgb(46, 47, 48);\n\tcolor:#00F0FF;\n\tborder: 1px solid #999;\n\tpadding: 4;\n }\n" + hover + shadow + gradient + " }\n"));
    row("pushButton_marker4", "styleSheet", QString("QPushButton {\n\tbackground-color: rgb(46, 47, 48);\n\tcolor:#FF61C1;\n\tborder: 1px solid #999;\n\tpadding: 4;\n }\n" + hover + gradient + " }\n"));
    row("checkBox_signalGraph", "styleSheet", QStringLiteral("background-color: rgb(40, 110, 255);\ncolor: white;"));
    row("checkBox_voltageGraph", "styleSheet", QStringLiteral("background-color: rgb(255, 113, 31);\ncolor: white;"));
    row("pushButton_pause", "styleSheet", QString("QPushButton {\n\tbackground-color:-moz-linear-gradient(top, #F2F2F2 0%, #EBEBEB 50%, #DDDDDD 51%, #CFCFCF 100%);\n\tborder: 1px solid #999;\n\tpadding: 1;\n }\n" + hover + shadow + gradient + "}"));
    row("pushButton_clearReal", "styleSheet", QString("QPushButton {\n\tbackground-color: -moz-linear-gradient(top, #F2F2F2 0%, #EBEBEB 50%, #DDDDDD 51%, #CFCFCF 100%);;\n\tborder: 1px solid #999;\n\tpadding: 1;\n }\n" + hover + shadow + gradient + "}"));
    row("frame_realTime", "styleSheet", QStringLiteral("background-color: white"));

    // Palettes, as "role colour" pairs: text and window text, button, window and base.
    const QString dark = QStringLiteral("#d3d7cf #2e2f30");
    row("label_overload", "palette", QStringLiteral("#000000 #ff391f"));
    row("frame_spectr", "palette", dark);
    row("pushButton_clear_spectr", "palette", dark);
    row("pushButton_marker1", "palette", QStringLiteral("#ff3333 #2e2f30"));
    row("pushButton_marker2", "palette", QStringLiteral("#ffc02e #2e2f30"));
    row("pushButton_marker3", "palette", QStringLiteral("#00f0ff #2e2f30"));
    row("pushButton_marker4", "palette", QStringLiteral("#ff61c1 #2e2f30"));
}

void TestTarnWindow::formContract()
{
    QFETCH(QString, object);
    QFETCH(QString, property);
    QFETCH(QVariant, expected);
    TarnWindow window;
    QObject *target = object == QLatin1String("TarnWindow") ? &window : window.findChild<QObject *>(object);
    QVERIFY2(target, qPrintable(object));
    if (property == QLatin1String("palette")) {
        const QPalette p = qobject_cast<QWidget *>(target)->palette();
        QCOMPARE(p.color(QPalette::WindowText).name() + ' ' + p.color(QPalette::Window).name(), expected.toString());
        if (object.startsWith(QLatin1String("pushButton_marker")))
            QCOMPARE(p.color(QPalette::ButtonText), p.color(QPalette::WindowText));
        QCOMPARE(p.color(QPalette::Button), p.color(QPalette::Window));
        QCOMPARE(p.color(QPalette::Base), p.color(QPalette::Window));
        return;
    }
    QCOMPARE(target->property(qPrintable(property)), expected);
}

void TestTarnWindow::liveValuesAndDisconnect()
{
    Rig rig;
    rig.emulator.setSignalPower(-45.5);
    rig.emulator.setOutputVoltage(3.25);
    QVERIFY(rig.connect());
    auto *signal = rig.get<ZShowFloatEdit>("lineEdit_signal");
    auto *voltage = rig.get<ZShowFloatEdit>("lineEdit_voltage");
    QTRY_COMPARE(signal->text(), QStringLiteral("-45.500"));
    QTRY_COMPARE(voltage->text(), QStringLiteral("3.250"));
    QVERIFY(signal->isEnabled() && voltage->isEnabled());
    for (const char *name : {"spinBox_freq", "floatSpinBox_pow5v", "pushButton_setCurrentPow5v"})
        QVERIFY2(rig.get(name)->isEnabled(), name);
    QTRY_COMPARE(rig.get<QLabel>("label_lcdTop")->text().trimmed(), QStringLiteral("Част. 1200500 кГц"));
    QCOMPARE(rig.get<QLabel>("label_lcdBottom")->text().trimmed(), QStringLiteral("-45.5 дБм ЗАХВАТ"));

    // Lock and its loss, as the label shows them.
    auto *lock = rig.get<QLabel>("label_lock");
    QTRY_COMPARE(lock->text(), QStringLiteral("Захват"));
    QVERIFY(lock->isVisible());
    QCOMPARE(lock->palette().color(QPalette::Window), QColor(91, 227, 59));
    rig.emulator.setLock(false);
    QTRY_COMPARE(lock->text(), QStringLiteral("Нет Захвата"));
    QCOMPARE(lock->palette().color(QPalette::Window), QColor(46, 47, 48));
    QCOMPARE(lock->palette().color(QPalette::WindowText), QColor(211, 215, 207));
    rig.emulator.setStatusByte(0xA0); // attenuator and overload
    QTRY_COMPARE(rig.get<QLabel>("label_att")->text(), QStringLiteral("20 дБ"));
    QTRY_VERIFY(rig.get("label_overload")->isVisible());

    // The emulator falls silent.
    rig.emulator.setDropReplies(-1);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.device->isConnected(), 5000);
    for (const char *name : {"label_lock", "label_overload", "label_att"})
        QVERIFY2(!rig.get(name)->isVisible(), name);
    QVERIFY(!signal->isEnabled() && signal->text().isEmpty());
    QVERIFY(!voltage->isEnabled() && voltage->text().isEmpty());
    for (const char *name : {"spinBox_freq", "floatSpinBox_pow5v", "pushButton_setCurrentPow5v"})
        QVERIFY2(!rig.get(name)->isEnabled(), name);

    // Back again: the lock label returns with the next report.
    rig.emulator.setDropReplies(0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.device->isConnected(), 5000);
    QTRY_VERIFY(lock->isVisible());
}

void TestTarnWindow::alarmTiles()
{
    Rig rig;
    QVERIFY(rig.connect());
    auto tiles = [&rig] { return rig.window->findChildren<ZAlarmWidget *>(); };
    QVERIFY(tiles().isEmpty());
    rig.emulator.setStatusByte(0x20); // alarm 5, signal overload
    QTRY_COMPARE(tiles().size(), 1);
    ZAlarmWidget *tile = tiles().first();
    QCOMPARE(tile->alarmNumber(), 5);
    QCOMPARE(tile->findChild<QLabel *>()->text(), QStringLiteral("Перегрузка сигналом"));
    QVERIFY(tile->isVisible());
    QVERIFY(rig.get("label_overload")->isVisible());
    const QColor first = tile->palette().color(QPalette::Window);
    QTRY_VERIFY_WITH_TIMEOUT(tile->palette().color(QPalette::Window) != first, 5000);

    // An outage takes the tiles away; the alarm still on afterwards comes back once.
    rig.emulator.setDropReplies(-1);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.device->isConnected(), 5000);
    QVERIFY(tiles().isEmpty());
    rig.emulator.setDropReplies(0);
    QTRY_VERIFY_WITH_TIMEOUT(rig.device->isConnected(), 5000);
    QTRY_COMPARE(tiles().size(), 1);
    QTest::qWait(200);
    QCOMPARE(tiles().size(), 1);

    rig.emulator.setStatusByte(0x00);
    QTRY_VERIFY(tiles().isEmpty());
    QVERIFY(!rig.get("label_overload")->isVisible());

    // Two reports of the same alarm give two tiles; one end removes both.
    rig.window->onAlarmChanged(1, 3, QStringLiteral("Авария захват PLL"));
    rig.window->onAlarmChanged(1, 3, QStringLiteral("Авария захват PLL"));
    QCOMPARE(tiles().size(), 2);
    rig.window->onAlarmChanged(0, 3, QStringLiteral("Авария захват PLL"));
    QCOMPARE(tiles().size(), 0);
}

void TestTarnWindow::tuningMovesTheCarrier()
{
    Rig rig;
    QVERIFY(rig.connect());
    auto *spectrum = rig.get<ZSpectrChart>("widget_chart_spectr");
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(carrierKey(spectrum) - 500) < 2, 10000);

    auto *freq = rig.get<ZSpinBox>("spinBox_freq");
    QTRY_COMPARE(freq->value(), 1200500);
    freq->setFocus();
    freq->selectAll();
    QTest::keyClicks(freq, "1200250");
    QTest::keyClick(freq, Qt::Key_Return);
    QTRY_COMPARE(rig.emulator.frequency(), 1200250);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(carrierKey(spectrum) - 250) < 2, 10000);
}

void TestTarnWindow::memDifference_data()
{
    QTest::addColumn<double>("memorised");
    QTest::addColumn<double>("current");
    QTest::addColumn<QString>("text");
    QTest::newRow("lower now") << -50.0 << -52.0 << QStringLiteral("Δ MEM + 2.000 дБ");
    QTest::newRow("higher now") << -50.0 << -48.0 << QStringLiteral("Δ MEM  -2.000 дБ");
    QTest::newRow("equal") << -50.0 << -50.0 << QStringLiteral("Δ MEM  0.000 дБ");
    QTest::newRow("no spectrum") << -50.0 << qQNaN() << QStringLiteral("Δ MEM --");
    QTest::newRow("nothing memorised") << qQNaN() << -50.0 << QStringLiteral("Δ MEM --");
}

void TestTarnWindow::memDifference()
{
    QFETCH(double, memorised);
    QFETCH(double, current);
    QFETCH(QString, text);
    TarnWindow window;
    window.show();
    auto *spectrum = child<ZSpectrChart>(&window, "widget_chart_spectr");
    auto *label = child<QLabel>(&window, "label_delta_mem");
    QTRY_COMPARE(label->text(), QStringLiteral("Δ MEM --"));
    if (!std::isnan(memorised)) {
        flatSpectrum(spectrum, memorised);
        QTest::mouseClick(child<QPushButton>(&window, "pushButton_mem_level"), Qt::LeftButton);
    }
    if (std::isnan(current))
        QTest::mouseClick(child<QPushButton>(&window, "pushButton_clear_spectr"), Qt::LeftButton);
    else
        flatSpectrum(spectrum, current);
    // Whatever the label showed before: the next refresh writes it.
    label->setText(QString());
    QTRY_COMPARE(label->text(), text);
}

void TestTarnWindow::signalGraphStartsEmpty()
{
    Rig rig;
    QVERIFY(rig.connect());
    auto *chart = rig.get<ZRealTimeChart>("widget_chart");
    auto *box = rig.get<QCheckBox>("checkBox_signalGraph");
    QCOMPARE(chart->graphCount(), 1);
    QTRY_VERIFY(chart->graph(0)->data()->size() > 3);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QVERIFY(!box->isChecked());
    QCOMPARE(chart->graphCount(), 0);
    // Checked again: a new graph that starts with nothing but what arrives from now on.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QCOMPARE(chart->graphCount(), 1);
    QCOMPARE(chart->graph(0)->data()->size(), 0);
    QTRY_VERIFY(chart->graph(0)->data()->size() > 0);
}

void TestTarnWindow::logIntervalStoredOnly()
{
    TarnWindow window;
    window.setLogInterval(500);
    window.show();
    auto *timer = window.findChild<QTimer *>(QStringLiteral("loggerTimer"));
    auto *spin = child<QSpinBox>(&window, "spinBox_logInterval");
    QVERIFY(!timer->isActive());
    spin->setValue(750);
    QTest::mouseClick(child<QPushButton>(&window, "pushButton_appLogTime"), Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QSettings stored(m_appDir.filePath("settings.ini"), QSettings::IniFormat);
    QCOMPARE(stored.value("Logger/Interval").toInt(), 750);
    // The next start hands the stored value to its window.
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    QCOMPARE(ZStartup::readLogInterval(*settings), 750);

    // Logging switched on runs at the stored interval; a new one applies at once.
    child<QAction>(&window, "action_logger")->setChecked(true);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 750);
    spin->setValue(40);
    QTest::mouseClick(child<QPushButton>(&window, "pushButton_appLogTime"), Qt::LeftButton);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 40);
    child<QAction>(&window, "action_logger")->setChecked(false);
    QVERIFY(!timer->isActive());
}

void TestTarnWindow::toolWindowOpenedOnce_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("kind");
    QTest::newRow("registers") << "action_rgisters" << "ZRegControl";
    QTest::newRow("waterfall") << "action_waterfall" << "ZWaterfallWindow";
    QTest::newRow("signal log") << "action_signalLog" << "ZSignalLogViewer";
}

void TestTarnWindow::toolWindowOpenedOnce()
{
    QFETCH(QString, action);
    QFETCH(QString, kind);
    Rig rig;
    auto windows = [&kind] {
        QList<QWidget *> found;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->inherits(qPrintable(kind)))
                found << w;
        }
        return found;
    };
    QAction *menuAction = rig.get<QAction>(qPrintable(action));
    menuAction->trigger();
    QCOMPARE(windows().size(), 1);
    QWidget *window = windows().first();
    QVERIFY(window->isVisible());
    QVERIFY(!window->parentWidget());
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    menuAction->trigger();
    QCOMPARE(windows().size(), 1);
    QCOMPARE(windows().first(), window);
    // Closed, it is gone, and the next time a new one opens; it goes with the main window.
    QPointer<QWidget> guard(window);
    window->close();
    QTRY_VERIFY(!guard);
    menuAction->trigger();
    QCOMPARE(windows().size(), 1);
    guard = windows().first();
    delete rig.window;
    rig.window = nullptr;
    QVERIFY(!guard);
}

void TestTarnWindow::waterfallFedByTheReceiver()
{
    // Rows of whole sweeps from the receiver, and the spectrum's marker as a line.
    Rig rig;
    QVERIFY(rig.connect());
    rig.get<QAction>("action_waterfall")->trigger();
    ZWaterfallWindow *waterfall = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<ZWaterfallWindow *>(w))
            waterfall = found;
    }
    QVERIFY(waterfall);
    QTRY_VERIFY_WITH_TIMEOUT(waterfall->chart()->ring().count() >= 2, 60000);
    // The carrier stands out of the noise at the same point in the newest row as on the spectrum.
    auto *spectrum = rig.get<ZSpectrChart>("widget_chart_spectr");
    const int carrier = qRound(carrierKey(spectrum) / ZSpectrGeometry::PointSpacingKHz);
    QVERIFY(waterfall->chart()->ring().level(0, carrier) > waterfall->chart()->ring().level(0, (carrier + 1000) % 2046) + 10);
    waterfall->close();
}

void TestTarnWindow::linkTroubleInStatusBar()
{
    // A port that is not there: the operator reads why in the status bar.
    Rig rig;
    QSignalSpy critical(rig.device.get(), &ZAbstractDevice::critical);
    ZSerialPortProps props;
    props.name = rig.dir.filePath(QStringLiteral("ttyMissing"));
    rig.device->connection()->setDetails(QVariant::fromValue(props));
    rig.device->start();
    QTRY_VERIFY(!critical.isEmpty());
    const QString text = critical.last().first().toString();
    QVERIFY(!text.isEmpty());
    QCOMPARE(rig.window->statusBar()->currentMessage(), text);
}

QTEST_MAIN(TestTarnWindow)
// What a screen reader says for each control an operator can reach: a name for every button,
// spin box, field, check box and combo box; for the charts a name and their newest values.
void TestTarnWindow::everyControlNamed()
{
    Rig rig;
    QVERIFY(rig.connect());
    int controls = 0;
    for (QWidget *w : rig.window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                             || qobject_cast<QComboBox *>(w)
                             || (qobject_cast<QLineEdit *>(w) && !qobject_cast<QAbstractSpinBox *>(w->parentWidget())
                                 && !qobject_cast<QComboBox *>(w->parentWidget()));
        if (!control || !w->isVisible())
            continue;
        ++controls;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        QVERIFY2(face && !face->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(w->objectName()));
        // Tab reaches whatever can be operated; the read-only value fields only show.
        auto *field = qobject_cast<QLineEdit *>(w);
        QVERIFY2((field && field->isReadOnly()) || (w->focusPolicy() & Qt::TabFocus), qPrintable(w->objectName()));
    }
    QVERIFY(controls >= 25);
    for (const char *name : {"widget_chart_spectr", "widget_chart"}) {
        QVERIFY(rig.get(name)->focusPolicy() & Qt::TabFocus);
        QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(rig.get(name));
        QVERIFY(!chart->text(QAccessible::Name).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(chart->text(QAccessible::Description).contains(QRegularExpression("\\d")), 10000);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(rig.get("widget_chart_spectr"))->text(QAccessible::Name),
             QStringLiteral("Спектр"));
}

void TestTarnWindow::englishWhenChosen()
{
    QVERIFY(ZLanguage::install(QStringLiteral("en")));
    const auto russianAgain = qScopeGuard([] {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    });
    TarnWindow window;
    window.show();
    QStringList menus;
    for (QAction *action : window.menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus, (QStringList{"Exit", "Settings", "Tools"}));
    QCOMPARE(child<QLabel>(&window, "label_freq")->text(), QStringLiteral("Frequency, kHz"));
    QCOMPARE(QAccessible::queryAccessibleInterface(child<QWidget>(&window, "widget_chart_spectr"))->text(QAccessible::Name),
             QStringLiteral("Spectrum"));
    QCOMPARE(QAccessible::queryAccessibleInterface(child<QWidget>(&window, "pushButton_pause"))->text(QAccessible::Name),
             QStringLiteral("Pause"));
}

#include "tst_tarnwindow.moc"
