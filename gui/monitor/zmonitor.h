#ifndef ZMONITOR_H
#define ZMONITOR_H

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QWidget>

class ZAbstractDevice;
class ZConsole;
class ZExchangeText;

// The exchange monitor: every frame sent to the device and every piece of data received from
// it, as hex with the protocol's verdicts, in two logs side by side, and below them the command
// console, through which the operator starts and stops the device and sets its properties. The
// console's lines are the device's lifecycle events and the outcome of each command.
class ZMonitor : public QWidget
{
    Q_OBJECT

public:
    explicit ZMonitor(ZAbstractDevice *device, QWidget *parent = nullptr);

    ZExchangeText *sentLog() const { return m_sentLog; }
    ZExchangeText *receivedLog() const { return m_receivedLog; }
    ZConsole *console() const { return m_console; }

signals:
    void requestStatus();

public slots:
    void initStart();
    void started();
    void initFinish();
    void finished();
    void message(QString msg);
    void error(QString msg);
    void deviceConnected();
    void deviceDisconnected();
    void paramChanged(QString paramName, QVariant paramVal);
    void queueChanged();

    void paketRcv(QVariant dataId);
    void paketError(QVariant dataId, QString errorText);
    void paketTimeout();
    void writeError(QVariant dataId);
    void dataIn(QByteArray data);
    void dataOut(QByteArray data);

private slots:
    void consoleCommand(QString cmd, QString arg, QString val);

private:
    // Whether `value` keeps the device working: the pacing and read time-out within what the
    // settings file may hold, and at least one lost reply before the link counts as down.
    bool acceptsInt(const QString &property, int value) const;

    ZAbstractDevice *device;
    ZExchangeText *m_receivedLog;
    ZExchangeText *m_sentLog;
    ZConsole *m_console;
    QString deviceLabel;
    QString connectionText;
};

#endif // ZMONITOR_H
