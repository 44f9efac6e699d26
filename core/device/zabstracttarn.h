#ifndef ZABSTRACTTARN_H
#define ZABSTRACTTARN_H

#include <QVariant>

#include "zdevicestandard.h"

// The measurements every receiver of this family reports: lock, frequency, signal power and
// output voltage. A value not yet received is -1 (integers) or NaN (floats).
class ZAbstractTarn : public ZDeviceStandard
{
    Q_OBJECT
public:
    explicit ZAbstractTarn(QObject *parent = nullptr);

    int lock() const { return m_lock; }
    int frequency() const { return m_frequency; }
    float power() const { return m_power; }
    float voltage() const { return m_voltage; }
    bool isLocked() const { return m_lock != -1 && m_lock != 0; }
    // True also while no voltage has been received (NaN differs from 0).
    bool isVoltagePresent() const { return !(m_voltage == 0.0f); }

signals:
    void signalLock(int val);
    void signalFreq(int val);
    void signalVolt(float val);
    void signalPow(float val);

public slots:
    virtual void configFreq(int val) = 0;
    virtual void configVoltage(QVariant val) = 0;

protected:
    int m_lock = -1;
    int m_frequency = -1;
    float m_power;
    float m_voltage;
};

#endif // ZABSTRACTTARN_H
