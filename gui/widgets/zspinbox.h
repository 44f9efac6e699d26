#ifndef ZSPINBOX_H
#define ZSPINBOX_H

#include <QSpinBox>

#include "zeditablespinbox.h"

// A spin box for one integer device parameter. It shows what the device reports; when the
// operator changes the value it turns amber and offers apply and cancel under itself. Apply
// hands the value out, cancel goes back to the last reported value.
class ZSpinBox : public ZEditableSpinBox<QSpinBox>
{
    Q_OBJECT

public:
    explicit ZSpinBox(QWidget *parent = nullptr);

signals:
    void okSelected(int val);
    void cancelSelected();

public slots:
    void hasValue(int val);

private slots:
    void on_buttonApply_clicked();
    void on_buttonCancel_clicked();
    void on_valueChanged(int value);

private:
    void applyEdit() override { on_buttonApply_clicked(); }
    void cancelEdit() override { on_buttonCancel_clicked(); }

    int m_storedValue = 0;
};

#endif // ZSPINBOX_H
