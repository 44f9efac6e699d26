#include "zspinbox.h"

#include "zspinboxpopup.h"

#include <QKeyEvent>
#include <QPushButton>

ZSpinBox::ZSpinBox(QWidget *parent)
    : QSpinBox(parent),
      m_editedPalette(ZSpinBoxPopup::tinted(palette(), QColor(QStringLiteral("#FFD28A")))),
      m_normalPalette(palette()),
      m_applyIcon(QStringLiteral(":/icons/apply.png")),
      m_cancelIcon(QStringLiteral(":/icons/cancel.png"))
{
    setAutoFillBackground(true);
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this, &ZSpinBox::on_valueChanged);
}

void ZSpinBox::hasValue(int val)
{
    // The operator's edit in progress is not overwritten; cancelling returns to this value.
    if (m_editState != Edited)
        showReported(val);
    m_storedValue = val;
}

void ZSpinBox::keyPressEvent(QKeyEvent *event)
{
    QSpinBox::keyPressEvent(event);
    if (m_editState != Edited)
        return;
    if (event->key() == Qt::Key_Escape)
        on_buttonCancel_clicked();
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        on_buttonApply_clicked();
}

void ZSpinBox::focusInEvent(QFocusEvent *event)
{
    QSpinBox::focusInEvent(event);
    if (m_editState == Edited && !m_popup)
        showPopup();
}

void ZSpinBox::focusOutEvent(QFocusEvent *event)
{
    QSpinBox::focusOutEvent(event);
    // Focus moving onto the strip's own buttons keeps it; anywhere else hides it until the
    // operator comes back to the unfinished edit.
    if (m_popup && !m_buttonApply->hasFocus() && !m_buttonCancel->hasFocus())
        deletePopup();
}

void ZSpinBox::on_buttonApply_clicked()
{
    m_editState = Idle;
    emit okSelected(value());
    deletePopup();
    setPalette(m_normalPalette);
}

void ZSpinBox::on_buttonCancel_clicked()
{
    m_editState = Idle;
    showReported(m_storedValue);
    emit cancelSelected();
    deletePopup();
    setPalette(m_normalPalette);
}

void ZSpinBox::on_valueChanged(int)
{
    // Only the operator's own changes (the spin box has the focus) are edits.
    if (m_showingReport || !hasFocus())
        return;
    m_editState = Edited;
    setPalette(m_editedPalette);
    showPopup();
}

void ZSpinBox::showPopup()
{
    if (m_popup)
        return;
    m_popup = ZSpinBoxPopup::show(this, m_applyIcon, m_cancelIcon, &m_buttonApply, &m_buttonCancel);
    connect(m_buttonApply, &QPushButton::clicked, this, &ZSpinBox::on_buttonApply_clicked);
    connect(m_buttonCancel, &QPushButton::clicked, this, &ZSpinBox::on_buttonCancel_clicked);
}

void ZSpinBox::deletePopup()
{
    if (!m_popup)
        return;
    // Later: this may run inside a click of one of the strip's own buttons.
    m_popup->hide();
    m_popup->deleteLater();
    m_popup = nullptr;
    m_buttonApply = nullptr;
    m_buttonCancel = nullptr;
}

void ZSpinBox::showReported(int val)
{
    m_showingReport = true;
    setValue(val);
    m_showingReport = false;
}
