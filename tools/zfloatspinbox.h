#ifndef ZFLOATSPINBOX_H
#define ZFLOATSPINBOX_H

#include <QDoubleSpinBox>
#include <QIcon>
#include <QPalette>
#include <QPointer>
#include <QTimer>

class ZSpinBoxPopup;

// A spin box for one float device parameter that checks the device took the value: after apply
// it stays amber until the device reports back, then turns normal when the report matches the
// applied value to two decimals and red when it does not, or when no report comes in time.
class ZFloatSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    enum EditState { Idle = 0, Waiting = 1, Edited = 2 };

    explicit ZFloatSpinBox(QWidget *parent = nullptr);
    ~ZFloatSpinBox() override;

    int editState() const { return m_editState; }

signals:
    void okSelected(float val);
    void cancelSelected();

public slots:
    void hasValue(float val);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private slots:
    void on_buttonApply_clicked();
    void on_buttonCancel_clicked();
    void on_valueChanged(double value);

private:
    void showPopup();
    void deletePopup();
    bool popupShown() const;
    void confirmTimeout();
    // Sets the shown value without counting it as the operator's edit.
    void showReported(float val);

    int m_editState = Idle;
    QPalette m_editedPalette;
    QPalette m_normalPalette;
    QPalette m_mismatchPalette;
    QPointer<ZSpinBoxPopup> m_popup;
    QIcon m_applyIcon;
    QIcon m_cancelIcon;
    float m_storedValue = 0.0f;
    float m_sentValue;
    int m_confirmTime = 2000;
    int m_compareDecimals = 2;
    bool m_showingReport = false;
    QTimer m_confirmTimer;
};

#endif // ZFLOATSPINBOX_H
