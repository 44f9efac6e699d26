#include "tarnwindow.h"
#include "ui_tarnwindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <memory>
#include <cmath>
#include <limits>

#include "signallogger.h"
#include "zalarm.h"
#include "zalarmwidget.h"
#include "zchartexport.h"
#include "zmarkermenu.h"
#include "zsignallogfile.h"
#include "zspectrmarker.h"
#include "zstartup.h"
#include "ztarnvex.h"

namespace {

QPalette paletteWith(const QPalette &base, const QColor &text, const QColor &background)
{
    QPalette palette = base;
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText})
        palette.setBrush(QPalette::All, role, text);
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Window, QPalette::Base})
        palette.setBrush(QPalette::All, role, background);
    return palette;
}

// How long a complaint of the device stays in the status bar.
constexpr int ProblemShownMs = 10000;

} // namespace

TarnWindow::TarnWindow(QWidget *parent)
    : QMainWindow(parent), form(new Ui::TarnWindow), memLevel(std::numeric_limits<double>::quiet_NaN())
{
    form->setupUi(this);
    QFont blockFont = form->widget_block->font();
    blockFont.setPointSize(11);
    form->widget_block->setFont(blockFont);

    okPalette = paletteWith(palette(), Qt::black, QColor(91, 227, 59));
    errorPalette = paletteWith(palette(), Qt::black, QColor(255, 57, 31));
    darkPalette = paletteWith(palette(), QColor(211, 215, 207), QColor(46, 47, 48));

    form->spinBox_freq->setEnabled(false);
    form->spinBox_freq->setRange(950000, 2184500);
    form->floatSpinBox_pow5v->setEnabled(false);
    form->floatSpinBox_pow5v->setRange(-120, -20);

    form->widget_chart_spectr->setBackground(QBrush(QColor(46, 47, 48)));
    form->widget_chart_spectr->setForeground(QColor(211, 215, 207));
    form->widget_chart_spectr->setGraphColor(QColor(167, 255, 31));

    QPushButton *markerButtons[4] = {form->pushButton_marker1, form->pushButton_marker2,
                                     form->pushButton_marker3, form->pushButton_marker4};
    void (TarnWindow::*menuAdd[4])() = {&TarnWindow::menu1Add, &TarnWindow::menu2Add,
                                        &TarnWindow::menu3Add, &TarnWindow::menu4Add};
    for (int i = 0; i < 4; ++i) {
        markerMenus[i] = new ZMarkerMenu(i + 1, this);
        markerButtons[i]->setMenu(markerMenus[i]);
        connect(markerMenus[i], &ZMarkerMenu::createMarker, this, &TarnWindow::createMarker);
        connect(markerMenus[i], &ZMarkerMenu::removeMarker, this, &TarnWindow::removeMarker);
        connect(markerMenus[i], &QMenu::aboutToShow, this, menuAdd[i]);
    }

    form->label_overload->setPalette(errorPalette);
    form->frame_spectr->setPalette(darkPalette);
    form->pushButton_clear_spectr->setPalette(darkPalette);
    for (int i = 0; i < 4; ++i) {
        QPalette markerPalette = darkPalette;
        markerPalette.setBrush(QPalette::All, QPalette::ButtonText, markerColour(i + 1));
        markerPalette.setBrush(QPalette::All, QPalette::WindowText, markerColour(i + 1));
        markerButtons[i]->setPalette(markerPalette);
    }
    QFont labelFont = font();
    labelFont.setPixelSize(15);
    for (QLabel *label : {form->label_lock, form->label_overload, form->label_attCapt, form->label_att})
        label->setFont(labelFont);

    // A chart that could not save says why where the device's problems are said.
    for (ZChartExport *exporter : {form->widget_chart_spectr->exporter(), form->widget_chart->exporter()})
        connect(exporter, &ZChartExport::failed, this, &TarnWindow::showDeviceProblem);

    connect(form->widget_serialStatus, &ZSerialStatusWidget::start, this, &TarnWindow::deviceStart, Qt::DirectConnection);
    connect(form->widget_serialStatus, &ZSerialStatusWidget::stop, this, &TarnWindow::deviceStop, Qt::DirectConnection);
    connect(form->widget_serialStatus, &ZSerialStatusWidget::portDetailsSet, this,
            &TarnWindow::connectionDetailsSet, Qt::DirectConnection);

    // The spectrum takes the larger share of the height; both halves keep a usable minimum.
    form->splitter->setStretchFactor(0, 3);
    form->splitter->setStretchFactor(1, 2);
    form->splitter->setSizes({360, 240});

    loggerTimer.setParent(this);
    loggerTimer.setObjectName(QStringLiteral("loggerTimer"));
    memTimer.setParent(this);
    memTimer.setObjectName(QStringLiteral("memTimer"));
    connect(&memTimer, &QTimer::timeout, this, &TarnWindow::showMemDifference);
    memTimer.start(100);

    setSignalLogFailureReceiver(this);
}

TarnWindow::~TarnWindow()
{
    // The tool windows go with this one (toolWindows), each keeping its place.
    delete form;
}

QColor TarnWindow::markerColour(int num)
{
    static const QRgb colours[] = {0xFF3333, 0xFFC02E, 0x00F0FF, 0xFF61C1};
    return QColor(colours[num >= 1 && num <= 3 ? num - 1 : 3]);
}

void TarnWindow::setDevice(ZAbstractTarn *dev)
{
    device = dev;
    if (!dev)
        return;
    ZTarnVex *receiver = qobject_cast<ZTarnVex *>(dev);
    ZLcdPannel *lcd = form->widget_lcd;

    // Front panel: the display lines and the keys.
    connect(dev, &ZDeviceStandard::topLcdChange, lcd, &ZLcdPannel::topLcdChange);
    connect(dev, &ZDeviceStandard::bottomLcdChange, lcd, &ZLcdPannel::bottomLcdChange);
    connect(dev, &ZAbstractDevice::connected, lcd, &ZLcdPannel::connected);
    connect(dev, &ZAbstractDevice::disconnected, lcd, &ZLcdPannel::disconnected);
    connect(lcd, &ZLcdPannel::buttonClicked, dev, &ZDeviceStandard::blockButtonClicked);
    lcd->setWindowTitle(dev->name());
    lcd->topLcdChange(dev->topLine());
    lcd->bottomLcdChange(dev->bottomLine());
    lcd->setAttribute(Qt::WA_DeleteOnClose);
    if (dev->isConnected())
        lcd->connected();
    else
        lcd->disconnected();

    // Live measurements.
    ZShowFloatEdit *signal = form->lineEdit_signal;
    connect(dev, &ZAbstractTarn::signalPow, signal, &ZShowFloatEdit::showValue);
    connect(dev, &ZAbstractDevice::connected, signal, &ZShowFloatEdit::enableShow);
    connect(dev, &ZAbstractDevice::disconnected, signal, &ZShowFloatEdit::disableShow);
    ZShowFloatEdit *voltage = form->lineEdit_voltage;
    connect(dev, &ZAbstractTarn::signalVolt, voltage, &ZShowFloatEdit::showValue);
    connect(dev, &ZAbstractDevice::connected, voltage, &ZShowFloatEdit::enableShow);
    connect(dev, &ZAbstractDevice::disconnected, voltage, &ZShowFloatEdit::disableShow);

    // Settings the device reports and the operator changes.
    connect(dev, &ZAbstractTarn::signalFreq, form->spinBox_freq, &ZSpinBox::hasValue);
    connect(form->spinBox_freq, &ZSpinBox::okSelected, dev, &ZAbstractTarn::configFreq);
    if (receiver) {
        connect(receiver, &ZTarnVex::averagePow, form->floatSpinBox_pow5v, &ZFloatSpinBox::hasValue);
        connect(form->floatSpinBox_pow5v, &ZFloatSpinBox::okSelected, receiver, &ZTarnVex::writeAveragePow);
    }
    connect(form->pushButton_setCurrentPow5v, &QPushButton::clicked, dev, [dev] { dev->configVoltage(QVariant()); });

    // Lock, attenuator and overload labels.
    connect(dev, &ZAbstractTarn::signalLock, this, [this](int val) {
        showState(form->label_lock, val != 0, tr("Захват"), tr("Нет Захвата"));
    });
    if (receiver) {
        connect(receiver, &ZTarnVex::attenuatorChanged, this, [this](int val) {
            showState(form->label_att, val != 0, tr("20 дБ"), tr("Выкл"));
        });
    }
    const QList<ZAlarm *> alarms = dev->alarms();
    for (ZAlarm *alarm : alarms) {
        if (alarm->id() == 5) {
            connect(alarm, &ZAlarm::changed, this, [this](int alr) { form->label_overload->setVisible(alr != 0); });
            break;
        }
    }

    // Charts.
    signalGraphId = form->widget_chart->addSource(dev, &ZAbstractTarn::signalPow, QPen(QColor(40, 110, 255)));
    if (receiver)
        connect(receiver, &ZTarnVex::spectrFrame, form->widget_chart_spectr, &ZSpectrChart::spectrFrame);

    // Alarm tiles, each alarm with its own number and name.
    for (ZAlarm *alarm : alarms) {
        const int number = alarm->id();
        const QString text = alarm->text();
        connect(alarm, &ZAlarm::changed, this,
                [this, number, text](int alr) { onAlarmChanged(alr, number, text); });
    }

    connect(&loggerTimer, &QTimer::timeout, this, &TarnWindow::logTick, Qt::UniqueConnection);

    // Why the link fails, for the operator: the device's own complaints, for a while.
    connect(dev, &ZAbstractDevice::critical, this, &TarnWindow::showDeviceProblem);
    connect(dev, &ZAbstractDevice::error, this, &TarnWindow::showDeviceProblem);

    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    if (settings->value(QStringLiteral("Logger/Enable"), true).toBool())
        form->action_logger->setChecked(true);
    // Network ports typed once are offered again, also after a restart.
    form->widget_serialStatus->setRecentNames(settings->value(QStringLiteral("RecentPorts")).toStringList());
    connect(form->widget_serialStatus, &ZSerialStatusWidget::recentNamesChanged, this,
            [](const QStringList &names) {
                std::unique_ptr<QSettings> recent(ZStartup::openSettings());
                recent->setValue(QStringLiteral("RecentPorts"), names);
            });
}

void TarnWindow::setLogInterval(int ms)
{
    logInterval = ms;
    form->spinBox_logInterval->setValue(ms);
}

void TarnWindow::requestFullReport()
{
    emit requestStatus();
    emit requsetTelemetry();
}

// ---- the device's lifecycle, passed on to the link strip -----------------------------------

void TarnWindow::deviceInitStart() { form->widget_serialStatus->initStart(); }
void TarnWindow::deviceStarted() { form->widget_serialStatus->started(); }
void TarnWindow::deviceInitFinish() { form->widget_serialStatus->initFinish(); }
void TarnWindow::deviceFinished() { form->widget_serialStatus->finished(); }

void TarnWindow::deviceConected()
{
    form->widget_serialStatus->connected();
    form->spinBox_freq->setEnabled(true);
    form->floatSpinBox_pow5v->setEnabled(true);
    form->pushButton_setCurrentPow5v->setEnabled(true);
}

void TarnWindow::deviceDisconnected()
{
    form->widget_serialStatus->disconnected();
    form->spinBox_freq->setEnabled(false);
    form->floatSpinBox_pow5v->setEnabled(false);
    form->pushButton_setCurrentPow5v->setEnabled(false);
    form->label_lock->setVisible(false);
    form->label_overload->setVisible(false);
    form->label_att->setVisible(false);
    // The device forgets its alarms with the link, silently, and announces them afresh when it
    // answers again: tiles kept now would be stale meanwhile and doubled then.
    qDeleteAll(alarmWidgets);
    alarmWidgets.clear();
}

void TarnWindow::connectionDetails(QVariant details) { form->widget_serialStatus->serialDitails(details); }
void TarnWindow::on_start() { emit deviceStart(); }
void TarnWindow::on_stop() { emit deviceStop(); }

// ---- alarms ---------------------------------------------------------------------------------

void TarnWindow::onAlarmChanged(int state, int alarmNumber, QString text)
{
    if (state == 1) {
        auto *tile = new ZAlarmWidget(alarmNumber, text, this);
        // Under the other widgets of the column, above its closing stretch.
        auto *column = qobject_cast<QBoxLayout *>(form->widget_left->layout());
        int at = column->count();
        if (at > 0 && column->itemAt(at - 1)->spacerItem())
            --at;
        column->insertWidget(at, tile);
        alarmWidgets.append(tile);
        return;
    }
    for (auto it = alarmWidgets.begin(); it != alarmWidgets.end();) {
        if ((*it)->alarmNumber() == alarmNumber) {
            delete *it;
            it = alarmWidgets.erase(it);
        } else {
            ++it;
        }
    }
}

void TarnWindow::showState(QLabel *label, bool on, const QString &onText, const QString &offText)
{
    // Reported with every status reply: only a change is worth a repaint.
    label->setVisible(true);
    const QPalette &palette = on ? okPalette : darkPalette;
    if (label->palette() != palette)
        label->setPalette(palette);
    label->setText(on ? onText : offText);
}

void TarnWindow::showDeviceProblem(const QString &text) { statusBar()->showMessage(text, ProblemShownMs); }
void TarnWindow::signalLogFailure(QString text) { showDeviceProblem(text); }

// ---- menus ----------------------------------------------------------------------------------

void TarnWindow::on_action_exit_triggered() { QCoreApplication::exit(0); }

void TarnWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    QCoreApplication::exit(0);
}

void TarnWindow::on_action_monitor_triggered()
{
    QMessageBox question;
    question.setWindowTitle(QStringLiteral("ВНИМАНИЕ!"));
    question.setText(tr("<b>Перезапусить программу, с монитором соединения?</b>"));
    question.setInformativeText(tr("Монитор соединения является средством диагностики и не рекомендуется к использованию в штатной работе."));
    question.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() == QMessageBox::Yes)
        QCoreApplication::exit(RestartExitCode);
}

void TarnWindow::on_action_rgisters_triggered() { toolWindows.showRegisters(device); }

void TarnWindow::on_action_waterfall_triggered()
{
    toolWindows.showWaterfall(device, form->widget_chart_spectr);
}

void TarnWindow::on_action_signalLog_triggered()
{
    // Also when the operator chose not to keep a log in this run: the days kept before can still
    // be seen.
    toolWindows.showSignalLog(places.logDir);
}

// ---- charts ---------------------------------------------------------------------------------

void TarnWindow::on_spinBox_chartsSeconds_valueChanged(int arg1)
{
    form->widget_chart->setSecondsOnChart(arg1);
}

void TarnWindow::on_checkBox_signalGraph_stateChanged(int arg1)
{
    if (!device)
        return;
    if (arg1 != 0) {
        signalGraphId = form->widget_chart->addSource(device.data(), &ZAbstractTarn::signalPow, QPen(QColor(40, 110, 255)));
        form->widget_chart->setSourceName(signalGraphId, tr("P сигнала, дБм"));
    } else
        form->widget_chart->removeSource(signalGraphId);
}

void TarnWindow::on_checkBox_voltageGraph_stateChanged(int arg1)
{
    if (!device)
        return;
    if (arg1 != 0) {
        voltageGraphId = form->widget_chart->addSource(device.data(), &ZAbstractTarn::signalVolt, QPen(QColor(255, 113, 31)));
        form->widget_chart->setSourceName(voltageGraphId, tr("U выхода, В"));
    } else
        form->widget_chart->removeSource(voltageGraphId);
}

void TarnWindow::on_pushButton_clearReal_clicked() { form->widget_chart->clear(); }
void TarnWindow::on_pushButton_clear_spectr_clicked() { form->widget_chart_spectr->clear(); }

void TarnWindow::on_pushButton_pause_clicked()
{
    form->widget_chart->setPaused(!form->widget_chart->isPaused());
}

void TarnWindow::refreshDeltaTargets(int index)
{
    ZMarkerMenu *menu = markerMenus[index];
    menu->clearDeltaTargets();
    const auto markers = form->widget_chart_spectr->markers();
    for (const QPointer<ZSpectrMarker> &marker : markers) {
        if (marker)
            menu->addDeltaTarget(marker->number());
    }
}

void TarnWindow::menu1Add() { refreshDeltaTargets(0); }
void TarnWindow::menu2Add() { refreshDeltaTargets(1); }
void TarnWindow::menu3Add() { refreshDeltaTargets(2); }
void TarnWindow::menu4Add() { refreshDeltaTargets(3); }

void TarnWindow::createMarker(int num, int type, int delta)
{
    form->widget_chart_spectr->createMarker(num, markerColour(num), type, delta);
}

void TarnWindow::removeMarker(int num) { form->widget_chart_spectr->removeMarker(num); }
void TarnWindow::on_pushButton_mem_level_clicked() { memLevel = form->widget_chart_spectr->currentMax(); }

void TarnWindow::showMemDifference()
{
    const double current = form->widget_chart_spectr->currentMax();
    // Nothing to compare with: no spectrum yet, or no level memorised yet.
    if (std::isnan(current) || std::isnan(memLevel)) {
        form->label_delta_mem->setText(QStringLiteral("Δ") + tr(" MEM --"));
        return;
    }
    const double d = memLevel - current;
    const QString sign = d > 0 ? QStringLiteral("+") : QString();
    form->label_delta_mem->setText(QStringLiteral("Δ")
                                   + tr(" MEM %2 %3 дБ").arg(sign).arg(QString::number(d, 'f', 3)));
}

// ---- signal log -----------------------------------------------------------------------------

void TarnWindow::on_action_logger_toggled(bool arg1)
{
    if (arg1)
        startLogger();
    else
        stopLogger();
}

void TarnWindow::startLogger()
{
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    loggerTimer.start(ZStartup::readLogInterval(*settings, logInterval));
}

void TarnWindow::stopLogger() { loggerTimer.stop(); }

void TarnWindow::on_pushButton_appLogTime_clicked()
{
    logInterval = form->spinBox_logInterval->value();
    std::unique_ptr<QSettings> settings(ZStartup::openSettings());
    settings->setValue(QStringLiteral("Logger/Interval"), logInterval);
    if (loggerTimer.isActive()) {
        loggerTimer.stop();
        loggerTimer.setInterval(logInterval);
        loggerTimer.start();
    }
}

void TarnWindow::logTick()
{
    if (device && device->isConnected())
        qCInfo(signalLogCategory).noquote() << ZSignalLogFile::sample(double(device->power()));
}
