#ifndef TARNWINDOW_H
#define TARNWINDOW_H

#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <array>

#include "zstartup.h"
#include "ztoolwindows.h"

class QLabel;
class ZAbstractTarn;
class ZAlarmWidget;
class ZMarkerMenu;

namespace Ui {
class TarnWindow;
}

// The operator's main window: the receiver's live values, its front panel, alarm tiles, the
// spectrum with markers and the memorised level, the strip chart of power and voltage, the
// signal log switch and the link strip. Everything shown comes from a device signal and every
// command goes to a device slot; the window itself never talks to the link.
class TarnWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The exit code of the event loop that asks start-up for a new window with the exchange
    // monitor beside it.
    static constexpr int RestartExitCode = 3;

    explicit TarnWindow(QWidget *parent = nullptr);
    ~TarnWindow() override;

    void setDevice(ZAbstractTarn *device);
    void setLogInterval(int ms);
    // Where start-up decided the program's files go; the signal log's viewer looks there.
    void setPlaces(const ZStartup::Places &places) { this->places = places; }
    void requestFullReport();

signals:
    void requestStatus();
    void requsetTelemetry();
    void deviceStart();
    void deviceStop();
    void connectionDetailsSet(QVariant &details);

public slots:
    void deviceInitStart();
    void deviceStarted();
    void deviceInitFinish();
    void deviceFinished();
    void deviceConected();
    void deviceDisconnected();
    void connectionDetails(QVariant details);
    void onAlarmChanged(int state, int alarmNumber, QString text);
    // The day's signal log file could not be opened.
    void signalLogFailure(QString text);

private slots:
    void on_action_exit_triggered();
    void on_action_monitor_triggered();
    void on_action_rgisters_triggered();
    void on_action_waterfall_triggered();
    void on_action_signalLog_triggered();
    void on_spinBox_chartsSeconds_valueChanged(int arg1);
    void on_checkBox_signalGraph_stateChanged(int arg1);
    void on_checkBox_voltageGraph_stateChanged(int arg1);
    void on_pushButton_clearReal_clicked();
    void on_pushButton_clear_spectr_clicked();
    void on_pushButton_pause_clicked();
    void menu1Add();
    void menu2Add();
    void menu3Add();
    void menu4Add();
    void createMarker(int num, int type, int delta);
    void removeMarker(int num);
    void startLogger();
    void stopLogger();
    void on_action_logger_toggled(bool arg1);
    void on_pushButton_appLogTime_clicked();
    void on_pushButton_mem_level_clicked();

protected:
    // Closing the window ends the program like "Выход", also while the register dialog is open.
    void closeEvent(QCloseEvent *event) override;

private:
    // Not slots: the form would look for widgets called "start" and "stop" to connect them to.
    void on_start();
    void on_stop();
    void logTick();
    void showMemDifference();
    void refreshDeltaTargets(int index);
    // The lock or attenuator label: visible, green with onText or dark with offText.
    void showState(QLabel *label, bool on, const QString &onText, const QString &offText);
    void showDeviceProblem(const QString &text);
    static QColor markerColour(int num);

    Ui::TarnWindow *form;
    QPointer<ZAbstractTarn> device;
    ZToolWindows toolWindows;
    QPalette okPalette;
    QPalette errorPalette;
    QPalette darkPalette;
    int signalGraphId = -1;
    int voltageGraphId = -1;
    std::array<ZMarkerMenu *, 4> markerMenus{};
    QList<ZAlarmWidget *> alarmWidgets;
    int logInterval = 500;
    ZStartup::Places places;
    QTimer loggerTimer;
    double memLevel;
    QTimer memTimer;
};

#endif // TARNWINDOW_H
