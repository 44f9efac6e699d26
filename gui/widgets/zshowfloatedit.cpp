#include "zshowfloatedit.h"

ZShowFloatEdit::ZShowFloatEdit(QWidget *parent) : QLineEdit(parent), m_palette(palette())
{
    setReadOnly(true);
    setEnabled(false);
    setFocusPolicy(Qt::NoFocus);
}

void ZShowFloatEdit::showValue(float value)
{
    // Told with every status reply; a line edit re-lays out and repaints even for its own text.
    const QString text = QString::number(double(value), 'f', 3);
    if (text != this->text())
        setText(text);
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
