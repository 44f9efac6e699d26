#include "zshowfloatedit.h"

ZShowFloatEdit::ZShowFloatEdit(QWidget *parent) : QLineEdit(parent), m_palette(palette())
{
    setReadOnly(true);
    setEnabled(false);
    setFocusPolicy(Qt::NoFocus);
}

void ZShowFloatEdit::showValue(float value)
{
    setText(QString::number(double(value), 'f', 3));
}

void ZShowFloatEdit::enableShow()
{
    setEnabled(true);
}

void ZShowFloatEdit::disableShow()
{
    setEnabled(false);
    clear();
    setPalette(m_palette);
}
