#include "uintvalidator.h"

UintValidator::UintValidator(QObject *parent)
    : QValidator(parent)
{
}

UintValidator::UintValidator(uint bottom, uint top, QObject *parent)
    : QValidator(parent),
      m_bottom(bottom),
      m_top(top)
{
}

QValidator::State UintValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    if (input.isEmpty())
        return Intermediate;
    // 64 bits, so that the whole unsigned 32-bit range a 4-byte register holds can be typed back
    // and anything beyond it is still recognised as too large rather than as garbage.
    bool ok = false;
    const qlonglong value = input.toLongLong(&ok, 10);
    if (!ok || value < 0 || value < qlonglong(m_bottom) || value > qlonglong(m_top))
        return Invalid;
    return Acceptable;
}

void UintValidator::fixup(QString &input) const
{
    if (input.isEmpty())
        input = QString::number(m_bottom);
}

void UintValidator::setRange(uint bottom, uint top)
{
    m_bottom = bottom;
    m_top = top;
}

void UintValidator::setBottom(uint bottom)
{
    setRange(bottom, m_top);
}

void UintValidator::setTop(uint top)
{
    setRange(m_bottom, top);
}
