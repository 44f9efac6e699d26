#include "zfloatspinbox.h"

#include <cmath>
#include <limits>

ZFloatSpinBox::ZFloatSpinBox(QWidget *parent)
    : ZEditableSpinBox<QDoubleSpinBox>(parent),
      m_mismatchPalette(ZSpinBoxPopup::tinted(palette(), QColor(QStringLiteral("#FF341A")))),
      m_sentValue(std::numeric_limits<float>::quiet_NaN())
{
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ZFloatSpinBox::on_valueChanged);
    // One timer, restarted by every apply: an earlier apply cannot end a later wait early.
    m_confirmTimer.setParent(this);
    m_confirmTimer.setObjectName(QStringLiteral("timer_confirm"));
    m_confirmTimer.setSingleShot(true);
    connect(&m_confirmTimer, &QTimer::timeout, this, &ZFloatSpinBox::confirmTimeout);
}

void ZFloatSpinBox::hasValue(float val)
{
    switch (m_editState) {
    case Waiting: {
        // The report is rounded as the device shows it; the applied value is compared as typed.
        const float reported = QString::number(double(val), 'f', m_compareDecimals).toFloat();
        const bool taken = !std::isnan(reported) && !std::isnan(m_sentValue) && reported == m_sentValue;
        setPalette(taken ? m_normalPalette : m_mismatchPalette);
        showReported(val);
        m_sentValue = std::numeric_limits<float>::quiet_NaN();
        m_editState = Idle;
        m_confirmTimer.stop();
        break;
    }
    case Idle:
        showReported(val);
        break;
    default:
        // The operator's edit in progress is not overwritten; cancelling returns to this value.
        break;
    }
    m_storedValue = val;
}

void ZFloatSpinBox::on_buttonApply_clicked()
{
    m_editState = Waiting;
    m_sentValue = float(value());
    emit okSelected(m_sentValue);
    deletePopup();
    // Still amber: the value is not the device's until it reports it back.
    m_confirmTimer.start(m_confirmTime);
}

void ZFloatSpinBox::on_buttonCancel_clicked()
{
    m_editState = Idle;
    m_confirmTimer.stop();
    showReported(m_storedValue);
    emit cancelSelected();
    deletePopup();
    setPalette(m_normalPalette);
}

void ZFloatSpinBox::on_valueChanged(double)
{
    // A new edit ends the wait for the previous value.
    if (beginEdit())
        m_confirmTimer.stop();
}

void ZFloatSpinBox::confirmTimeout()
{
    // No report in time: the device did not take the value.
    if (m_editState != Waiting || std::isnan(m_sentValue))
        return;
    setPalette(m_mismatchPalette);
    m_editState = Idle;
}
