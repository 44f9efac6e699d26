#ifndef ZEMULATEDRECEIVER_H
#define ZEMULATEDRECEIVER_H

#include <QByteArray>

#include "zpanelmenu.h"
#include "zregister.h"
#include "zregisterstore.h"
#include "zsignalmodel.h"

// The receiver as the device side sees it: the register store with its factory defaults, the
// signal and its measurements, the front-panel menu, and the alarms and status payload built from
// all of them.
//
// Not thread-safe by itself; ZDeviceEmulator serialises every call under its lock.
class ZEmulatedReceiver
{
public:
    // Error codes of the error response (command 0x0A).
    enum ErrorCode {
        NoError = 0,
        ErrorCannotRead = 2,   // unknown register, or a write-only one
        ErrorCannotWrite = 3,  // unknown register, or a read-only one
        ErrorBadLength = 6     // value length differs from the register length
    };

    // Service registers shared by every device of the family, and the receiver's own.
    enum Register {
        RegisterPanelKey = 3,
        RegisterSynthTemperature = 10,
        RegisterIfTemperature = 11,
        RegisterAveragePower = 15,
        RegisterFrequency = 18,
        RegisterAttenuatorMode = 20,
        RegisterFilterBand = 21,
        RegisterOverloadThreshold = 22,
        RegisterLevelCorrection = 25,
        RegisterAlarms = 9,
        RegisterAlarmJournal = 79,
        RegisterRestoreDefaults = 65530,
        RegisterFirmware = 65531,
        RegisterReboot = 65535
    };

    // Keys of the front panel as register 3 receives them.
    enum PanelKey {
        KeyLeft = 1,
        KeyUp = 2,
        KeyRight = 3,
        KeyDown = 4,
        KeyOk = 5,
        KeyReset = 6,
        KeyAlarm = 7,
        KeyCancel = 8,
        KeyEscape = 9
    };

    // Screens of the panel menu, in the order the up/down keys walk through them.
    enum Screen {
        ScreenMain = 0,
        ScreenPower,
        ScreenTemperature,
        ScreenFirmware,
        ScreenAlarms,
        ScreenCount
    };

    static constexpr int LcdLineLength = 24;
    static constexpr int SpectrumPoints = 2046;
    static constexpr int FramePoints = 32;
    static constexpr int FrameCount = 64;
    static constexpr double SpanKHz = 1000.0;
    // The program turns a linear spectrum value v into 10*log10(v) - SpectrumOffsetDb dBm.
    static constexpr double SpectrumOffsetDb = 184.8;
    static constexpr double NoiseFloorDbm = -115.0;

    explicit ZEmulatedReceiver(const RegisterTable &table);

    ZEmulatedReceiver(const ZEmulatedReceiver &) = delete;
    ZEmulatedReceiver &operator=(const ZEmulatedReceiver &) = delete;

    // One request. The value bytes of the reply go to `reply`; the return value is NoError or
    // the error code to answer with.
    int read(int number, QByteArray *reply);
    int write(int number, const QByteArray &value, QByteArray *reply);

    int statusRegister() const { return m_store.statusNumber(); }

    // Register contents without the access checks of the protocol (the status register is
    // built fresh and cannot be set).
    QByteArray registerBytes(int number) const;
    void setRegisterBytes(int number, const QByteArray &bytes);

    void restoreDefaults();
    void reboot();

    void setDeterministic(bool on) { m_signal.setDeterministic(on); }
    void setWander(bool on) { m_signal.setWander(on); }
    void setLock(bool on) { m_signal.setLock(on); }
    void setSignalPower(double dBm) { m_signal.setSignalPower(dBm); }
    void setOutputVoltage(double volts) { m_signal.setOutputVoltage(volts); }
    void setStatusByte(quint8 bits);

    // The status byte as the next status payload carries it (alarm bits and attenuator).
    quint8 statusByte() const;
    qint32 frequency() const { return qint32(m_store.intValue(RegisterFrequency)); }
    float averagePower() const { return m_store.floatValue(RegisterAveragePower); }
    // Index of the spectrum point the carrier sits on for the current frequency.
    int carrierPoint() const { return ZSignalModel::carrierPoint(frequency()); }

    // The two display lines as the panel shows them now (24 bytes each, Windows-1251).
    QByteArray topLine() const { return m_panel.topLine(m_alarmBits); }
    QByteArray bottomLine() const { return m_panel.bottomLine(m_alarmBits); }

    // The status payload; each call advances the spectrum frame.
    QByteArray statusPayload();

private:
    bool attenuatorOn() const;

    ZRegisterStore m_store;
    ZSignalModel m_signal;
    ZPanelMenu m_panel;
    quint8 m_alarmBits = 0;     // bits 0..6 of the status byte
    bool m_attenuatorBit = false;
    quint16 m_journal = 0;      // every alarm bit seen since the journal was reset
};

#endif // ZEMULATEDRECEIVER_H
