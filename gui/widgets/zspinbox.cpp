#include "zspinbox.h"

ZSpinBox::ZSpinBox(QWidget *parent) : ZEditableSpinBox<QSpinBox>(parent)
{
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this, &ZSpinBox::on_valueChanged);
}

void ZSpinBox::hasValue(int val)
{
    // The operator's edit in progress is not overwritten; cancelling returns to this value.
    if (m_editState != Edited)
        showReported(val);
    m_storedValue = val;
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
    beginEdit();
}
