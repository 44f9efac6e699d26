#include "zabstracttarn.h"

#include <limits>

ZAbstractTarn::ZAbstractTarn(QObject *parent)
    : ZDeviceStandard(parent),
      m_power(std::numeric_limits<float>::quiet_NaN()),
      m_voltage(std::numeric_limits<float>::quiet_NaN())
{
}
