#ifndef ZTARNVEX_H
#define ZTARNVEX_H

#include <QMetaType>

#include "zabstracttarn.h"
#include "zspectrgeometry.h"

// Registers the name "SpectrFrame" with the meta-type system so that the signal can be queued.
// Safe to call more than once.
void registerSpectrFrameType();

// The receiver model the program drives. Its status payload starts with the telemetry
// (little-endian, IEEE 754 single-precision floats):
//
//   offset size  field
//      0     1   status byte: bit 0 general alarm, bits 0..6 alarms 0..6, bit 7 attenuator
//      1     1   lock
//      2     4   power (float)
//      6     4   voltage (float)
//     10     4   frequency (int32)
//     14     2   max position (uint16)
//     16     2   filter (uint16)
//     18     4   average power (float)
//     22     4   signal to noise (float)
//     26     4   spectrum correction, dB (float)
//     30     1   spectrum frame number
//     31   128   32 spectrum points, linear power (float)
//
// and ends with the two display lines decoded by ZDeviceStandard.
class ZTarnVex : public ZAbstractTarn
{
    Q_OBJECT
public:
    enum ModelRegister {
        RegisterAveragePow = 15,
        RegisterFrequency = 18
    };
    enum {
        AlarmCount = 7,
        SpectrPoints = ZSpectrGeometry::LevelsPerFrame,
        SpectrOffset = 31,
        // Bytes of telemetry the layout needs up to the last spectrum point.
        TelemetrySize = SpectrOffset + SpectrPoints * 4
    };

    explicit ZTarnVex(QObject *parent = nullptr);

    int attenuator() const { return m_attenuator; }
    int maxPos() const { return m_maxPos; }
    int filter() const { return m_filter; }
    // Truncated toward zero; -1 while nothing (or no number) was received.
    int averagePower() const;
    float averagePowerValue() const { return m_averagePow; }
    float signalToNoise() const { return m_signalToNoise; }
    float correction() const { return m_correction; }
    // False also for an index outside the alarm list.
    bool isAlarmActive(int index) const;

    // One spectrum point in dB from its linear power value and the correction.
    static double spectrumLevel(float linear, float correction);

signals:
    void attenuatorChanged(int val);
    void averagePow(float val);
    void filterChanged(float val);
    void maxPosChanged(int val);
    void signalToNoiseChanged(float val);
    void spectrFrame(int no, SpectrFrame frame);

public slots:
    void writeAveragePow(float val);
    void configFreq(int val) override;
    void configVoltage(QVariant val) override;
    void reportTelemetry() override;

protected:
    void decodeTelemetry(QByteArray payload) override;
    void resetTelemetry() override;
    void connectedHook() override {}
    void onRegisterReceived(QVariant dataId) override;
    void onRegisterError(QVariant dataId) override;

private:
    int m_attenuator = -1;
    int m_maxPos = -1;
    int m_filter = -1;
    float m_averagePow;
    float m_signalToNoise;
    float m_correction = 0.0f;
};

#endif // ZTARNVEX_H
