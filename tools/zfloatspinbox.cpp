#include "zfloatspinbox.h"

#include "zspinboxpopup.h"

#include <QKeyEvent>

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
    m_confirmTimer.setParent(this);
    m_confirmTimer.setObjectName(QStringLiteral("timer_confirm"));
    m_confirmTimer.setSingleShot(true);
    connect(&m_confirmTimer, &QTimer::timeout, this, &ZFloatSpinBox::confirmTimeout);
}

ZFloatSpinBox::~ZFloatSpinBox()
{
    // The strip belongs to the window, which may outlive this spin box.
    delete m_popup;
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
    if (event->key() == Qt::Key_Escape) {
        on_buttonCancel_clicked();
        event->accept(); // not also the dialog's or window's Escape
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        on_buttonApply_clicked();
        event->accept();
    }
}

void ZFloatSpinBox::focusInEvent(QFocusEvent *event)
{
    QDoubleSpinBox::focusInEvent(event);
    if (m_editState == Edited && !popupShown())
        showPopup();
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
    if (popupShown())
        return;
    m_popup = new ZSpinBoxPopup(this, m_applyIcon, m_cancelIcon);
    connect(m_popup, &ZSpinBoxPopup::applyClicked, this, &ZFloatSpinBox::on_buttonApply_clicked);
    connect(m_popup, &ZSpinBoxPopup::cancelClicked, this, &ZFloatSpinBox::on_buttonCancel_clicked);
}

void ZFloatSpinBox::deletePopup()
{
    if (m_popup)
        m_popup->dismiss();
    m_popup = nullptr;
}

// A strip that took itself away when the focus left is on its way out: not shown.
bool ZFloatSpinBox::popupShown() const
{
    return m_popup && !m_popup->isHidden();
}

void ZFloatSpinBox::showReported(float val)
{
    m_showingReport = true;
    setValue(double(val));
    m_showingReport = false;
}
