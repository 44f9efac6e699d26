#ifndef ZSHOWFLOATEDIT_H
#define ZSHOWFLOATEDIT_H

#include <QLineEdit>
#include <QPalette>

// A read-only field for one live measurement: three decimals while the device answers, empty
// and disabled while it does not.
class ZShowFloatEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit ZShowFloatEdit(QWidget *parent = nullptr);

    void showValue(float value);
    void enableShow();
    void disableShow();

private:
    QPalette m_palette;
};

#endif // ZSHOWFLOATEDIT_H
