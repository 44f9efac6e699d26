#include "zfloatspinbox.h"

#include "zspinboxpopup.h"

#include <QKeyEvent>
#include <QPushButton>

#include <cmath>
#include <limits>

ZFloatSpinBox::ZFloatSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent),
      m_editedPalette(ZSpinBoxPopup::tinted(palette(), QColor(QStringLiteral("#FFD28A")))),
      m_normalPalette(palette()),
      m_mismatchPalette(ZSpinBoxPopup::tinted(palette(), QColor(QStringLiteral("#FF341A")))),
      m_applyIcon(QStringLiteral(":/icons/apply.png")),
      m_cancelIcon(QStringLiteral(":/icons/cancel.png")),
      m_sentValue(std::numeric_limits<float>::quiet_NaN())
{
    setAutoFillBackground(true);
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ZFloatSpinBox::on_valueChanged);
    // One timer, restarted by every apply: an earlier apply cannot end a later wait early.
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

void ZFloatSpinBox::keyPressEvent(QKeyEvent *event)
{
    QDoubleSpinBox::keyPressEvent(event);
    if (m_editState != Edited)
        return;
    if (event->key() == Qt::Key_Escape)
        on_buttonCancel_clicked();
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        on_buttonApply_clicked();
}

void ZFloatSpinBox::focusInEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusInEvent(event);
    if (m_editState == Edited && !m_popup)
        showPopup();
}

void ZFloatSpinBox::focusOutEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusOutEvent(event);
    if (m_popup && !m_buttonApply->hasFocus() && !m_buttonCancel->hasFocus())
        deletePopup();
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
    if (m_showingReport || !hasFocus())
        return;
    m_editState = Edited;
    m_confirmTimer.stop();
    setPalette(m_editedPalette);
    showPopup();
}

void ZFloatSpinBox::confirmTimeout()
{
    // No report in time: the device did not take the value.
    if (m_editState != Waiting || std::isnan(m_sentValue))
        return;
    setPalette(m_mismatchPalette);
    m_editState = Idle;
}

void ZFloatSpinBox::showPopup()
{
    if (m_popup)
        return;
    m_popup = ZSpinBoxPopup::show(this, m_applyIcon, m_cancelIcon, &m_buttonApply, &m_buttonCancel);
    connect(m_buttonApply, &QPushButton::clicked, this, &ZFloatSpinBox::on_buttonApply_clicked);
    connect(m_buttonCancel, &QPushButton::clicked, this, &ZFloatSpinBox::on_buttonCancel_clicked);
}

void ZFloatSpinBox::deletePopup()
{
    if (!m_popup)
        return;
    m_popup->hide();
    m_popup->deleteLater();
    m_popup = nullptr;
    m_buttonApply = nullptr;
    m_buttonCancel = nullptr;
}

void ZFloatSpinBox::showReported(float val)
{
    m_showingReport = true;
    setValue(double(val));
    m_showingReport = false;
}
