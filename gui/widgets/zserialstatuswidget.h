#ifndef ZSERIALSTATUSWIDGET_H
#define ZSERIALSTATUSWIDGET_H

#include <QIcon>
#include <QPalette>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include "zserialportprops.h"

class ZPortComboBox;
class QFrame;
class QLabel;
class QPushButton;
class ZSetSerialDialog;

// The strip at the foot of the main window: whether the device answers, whether the port is
// open, the port to use, its line settings and the start/stop button. It knows neither the
// device nor the connection; the window wires it to both.
class ZSerialStatusWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ZSerialStatusWidget(QWidget *parent = nullptr);

    ZSerialPortProps portProps() const { return m_props; }
    bool isRunning() const { return m_running; }
    // The network port names used lately, for the port list; the window keeps them.
    QStringList recentNames() const;
    void setRecentNames(const QStringList &names);

signals:
    void start();
    void stop();
    void portDetailsSet(QVariant &details);
    void recentNamesChanged(QStringList names);

public slots:
    void connected();
    void disconnected();
    void initStart();
    void started();
    void initFinish();
    void finished();
    void serialDitails(QVariant details);
    void on_conButtonClick();

private:
    void openSettingsDialog();
    void takeProps(const ZSerialPortProps &props);
    void showStartStop(const QString &what);

    ZSerialPortProps m_props;
    bool m_running = false;
    QIcon m_connectedIcon;
    QIcon m_disconnectedIcon;
    QIcon m_settingsIcon;
    QPalette m_greenPalette;
    QPalette m_greyPalette;
    QLabel *m_statusLabel;
    QLabel *m_connectionLabel;
    ZPortComboBox *m_portCombo;
    QPushButton *m_conButton;
    QPushButton *m_setButton;
    QFrame *m_frame;
    QPointer<ZSetSerialDialog> m_dialog;
};

#endif // ZSERIALSTATUSWIDGET_H
