#ifndef ZSPINBOX_H
#define ZSPINBOX_H

#include <QIcon>
#include <QPalette>
#include <QPointer>
#include <QSpinBox>

class ZSpinBoxPopup;

// A spin box for one integer device parameter. It shows what the device reports; when the
// operator changes the value it turns amber and offers apply and cancel under itself. Apply
// hands the value out, cancel goes back to the last reported value.
class ZSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    enum EditState { Idle = 0, Edited = 2 };

    explicit ZSpinBox(QWidget *parent = nullptr);
    ~ZSpinBox() override;

    int editState() const { return m_editState; }

signals:
    void okSelected(int val);
    void cancelSelected();

public slots:
    void hasValue(int val);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private slots:
    void on_buttonApply_clicked();
    void on_buttonCancel_clicked();
    void on_valueChanged(int value);

private:
    void showPopup();
    void deletePopup();
    bool popupShown() const;
    // Sets the shown value without counting it as the operator's edit.
    void showReported(int val);

    int m_editState = Idle;
    QPalette m_editedPalette;
    QPalette m_normalPalette;
    QPointer<ZSpinBoxPopup> m_popup;
    QIcon m_applyIcon;
    QIcon m_cancelIcon;
    int m_storedValue = 0;
    bool m_showingReport = false;
};

#endif // ZSPINBOX_H
