#include "zspinbox.h"

#include "zspinboxpopup.h"

#include <QKeyEvent>

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

ZSpinBox::~ZSpinBox()
{
    // The strip belongs to the window, which may outlive this spin box.
    delete m_popup;
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
    if (event->key() == Qt::Key_Escape) {
        on_buttonCancel_clicked();
        event->accept(); // not also the dialog's or window's Escape
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        on_buttonApply_clicked();
        event->accept();
    }
}

void ZSpinBox::focusInEvent(QFocusEvent *event)
{
    QSpinBox::focusInEvent(event);
    if (m_editState == Edited && !popupShown())
        showPopup();
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
    if (popupShown())
        return;
    m_popup = new ZSpinBoxPopup(this, m_applyIcon, m_cancelIcon);
    connect(m_popup, &ZSpinBoxPopup::applyClicked, this, &ZSpinBox::on_buttonApply_clicked);
    connect(m_popup, &ZSpinBoxPopup::cancelClicked, this, &ZSpinBox::on_buttonCancel_clicked);
}

void ZSpinBox::deletePopup()
{
    if (m_popup)
        m_popup->dismiss();
    m_popup = nullptr;
}

// A strip that took itself away when the focus left is on its way out: not shown.
bool ZSpinBox::popupShown() const
{
    return m_popup && !m_popup->isHidden();
}

void ZSpinBox::showReported(int val)
{
    m_showingReport = true;
    setValue(val);
    m_showingReport = false;
}
