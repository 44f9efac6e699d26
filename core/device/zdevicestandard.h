#ifndef ZDEVICESTANDARD_H
#define ZDEVICESTANDARD_H

#include <QList>
#include <QString>

#include "zabstractdevice.h"

class ZAlarm;

// What every device of this family shares: a status reply that ends with the two 24-byte lines
// of the front panel display, a general alarm bit, a list of named alarms, a firmware version
// register and service registers for the panel keys, alarm reset, factory defaults and reboot.
// The model-specific part of the status reply is left to decodeTelemetry().
class ZDeviceStandard : public ZAbstractDevice
{
    Q_OBJECT
public:
    // Service registers of the family.
    enum ServiceRegister {
        RegisterButton = 3,
        RegisterAlarms = 9,
        RegisterAlarmJournal = 79,
        RegisterDefaults = 65530,
        RegisterFirmware = 65531,
        RegisterReboot = 65535
    };
    // The display lines are the last LcdLineSize * 2 bytes of the status payload.
    enum { LcdLineSize = 24 };

    explicit ZDeviceStandard(QObject *parent = nullptr);

    QList<ZAlarm *> alarms() const { return m_alarms; }
    int generalAlarmValue() const { return m_generalAlarm; }
    QString topLine() const { return m_topLine; }
    QString bottomLine() const { return m_bottomLine; }
    QString firmware() const { return m_firmware; }

    void setGeneralAlarm(bool alarm);

    // The text of one display line: up to the first zero byte, in the device's Windows-1251,
    // with the display's arrow codes 0x18 and 0x19 shown as arrows.
    static QString lcdText(const QByteArray &block);

signals:
    void topLcdChange(QString text);
    void bottomLcdChange(QString text);
    void firmwareChange(QString str);
    void generalAlarm(int alarm);

public slots:
    virtual void reportTelemetry() = 0;
    // Service commands; each goes through the engine's checks and refusals.
    virtual void resetAlarms() { writeData(int(RegisterAlarms), 1); }
    virtual void resetAlarmJournal() { writeData(int(RegisterAlarmJournal), 1); }
    virtual void readAlarms() { readData(int(RegisterAlarms)); }
    virtual void readAlarmJournal() { readData(int(RegisterAlarmJournal)); }
    void blockButtonClicked(int num) { writeData(int(RegisterButton), num); }
    void readFirmwareVersion() { readData(int(RegisterFirmware)); }
    void writeDefaults() { writeData(int(RegisterDefaults), 1); }
    void writeReboot() { writeData(int(RegisterReboot), 1); }

protected:
    virtual void decodeTelemetry(QByteArray payload) = 0;
    virtual void resetTelemetry() = 0;
    virtual void connectedHook() = 0;
    virtual void onRegisterReceived(QVariant dataId) = 0;
    virtual void onRegisterError(QVariant dataId) = 0;

    void onStarted() override {}
    void onFinished() override {}
    void onConnected() override;
    void onDisconnected() override;
    void onDataReceived(QVariant dataId) override;
    void onPaketError(QVariant dataId, QString text) override;
    void onPaketTimeout(QVariant) override {}
    void onStatusReceived(QByteArray payload) override;

    // Filled by the concrete device's constructor; the alarms are its children.
    QList<ZAlarm *> m_alarms;

private:
    void refreshAlarmBits(int registerNumber);
    void decodeLcd(const QByteArray &payload);

    int m_generalAlarm = -1;
    QString m_topLine;
    QString m_bottomLine;
    QString m_firmware;
};

#endif // ZDEVICESTANDARD_H
