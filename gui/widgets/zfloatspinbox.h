#ifndef ZFLOATSPINBOX_H
#define ZFLOATSPINBOX_H

#include <QDoubleSpinBox>
#include <QTimer>

#include "zeditablespinbox.h"

// A spin box for one float device parameter that checks the device took the value: after apply
// it stays amber until the device reports back, then turns normal when the report matches the
// applied value to two decimals and red when it does not, or when no report comes in time.
class ZFloatSpinBox : public ZEditableSpinBox<QDoubleSpinBox>
{
    Q_OBJECT

public:
    explicit ZFloatSpinBox(QWidget *parent = nullptr);

signals:
    void okSelected(float val);
    void cancelSelected();

public slots:
    void hasValue(float val);

private slots:
    void on_buttonApply_clicked();
    void on_buttonCancel_clicked();
    void on_valueChanged(double value);

private:
    void applyEdit() override { on_buttonApply_clicked(); }
    void cancelEdit() override { on_buttonCancel_clicked(); }
    void confirmTimeout();

    QPalette m_mismatchPalette;
    float m_storedValue = 0.0f;
    float m_sentValue;
    int m_confirmTime = 2000;
    int m_compareDecimals = 2;
    QTimer m_confirmTimer;
};

#endif // ZFLOATSPINBOX_H
