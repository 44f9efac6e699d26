#ifndef ZEDITABLESPINBOX_H
#define ZEDITABLESPINBOX_H

#include <QIcon>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>

#include "zspinboxpopup.h"

// What the integer and the float parameter spin boxes share: telling the operator's edits from
// the device's reports, the amber colour of an edit, the apply/cancel strip under the spin box,
// and Return/Escape ending an edit. `SpinBox` is QSpinBox or QDoubleSpinBox; the spin box on
// top says what applying and cancelling do.
template <class SpinBox>
class ZEditableSpinBox : public SpinBox
{
public:
    // Waiting: applied, the device has not confirmed yet (only the float spin box waits).
    enum EditState { Idle = 0, Waiting = 1, Edited = 2 };

    explicit ZEditableSpinBox(QWidget *parent)
        : SpinBox(parent),
          m_editedPalette(ZSpinBoxPopup::tinted(this->palette(), QColor(QStringLiteral("#FFD28A")))),
          m_normalPalette(this->palette()),
          m_applyIcon(QStringLiteral(":/icons/apply.png")),
          m_cancelIcon(QStringLiteral(":/icons/cancel.png"))
    {
        this->setAutoFillBackground(true);
    }

    ~ZEditableSpinBox() override
    {
        // The strip belongs to the window, which may outlive this spin box.
        delete m_popup;
    }

    int editState() const { return m_editState; }

protected:
    virtual void applyEdit() = 0;
    virtual void cancelEdit() = 0;

    void keyPressEvent(QKeyEvent *event) override
    {
        SpinBox::keyPressEvent(event);
        if (m_editState != Edited)
            return;
        if (event->key() == Qt::Key_Escape) {
            cancelEdit();
            event->accept(); // not also the dialog's or window's Escape
        } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            applyEdit();
            event->accept();
        }
    }

    void focusInEvent(QFocusEvent *event) override
    {
        SpinBox::focusInEvent(event);
        if (m_editState == Edited && !popupShown())
            showPopup();
    }

    // A value change: the operator's edit when the spin box has the focus and the change is
    // not a report being shown. Tells whether it was.
    bool beginEdit()
    {
        if (m_showingReport || !this->hasFocus())
            return false;
        m_editState = Edited;
        this->setPalette(m_editedPalette);
        showPopup();
        return true;
    }

    // Sets the shown value without counting it as the operator's edit.
    template <class Value> void showReported(Value val)
    {
        m_showingReport = true;
        this->setValue(val);
        m_showingReport = false;
    }

    void deletePopup()
    {
        if (m_popup)
            m_popup->dismiss();
        m_popup = nullptr;
    }

    int m_editState = Idle;
    QPalette m_editedPalette;
    QPalette m_normalPalette;

private:
    void showPopup()
    {
        if (popupShown())
            return;
        m_popup = new ZSpinBoxPopup(this, m_applyIcon, m_cancelIcon);
        QObject::connect(m_popup, &ZSpinBoxPopup::applyClicked, this, [this] { applyEdit(); });
        QObject::connect(m_popup, &ZSpinBoxPopup::cancelClicked, this, [this] { cancelEdit(); });
    }

    // A strip that took itself away when the focus left is on its way out: not shown.
    bool popupShown() const { return m_popup && !m_popup->isHidden(); }

    QPointer<ZSpinBoxPopup> m_popup;
    QIcon m_applyIcon;
    QIcon m_cancelIcon;
    bool m_showingReport = false;
};

#endif // ZEDITABLESPINBOX_H
