#include "zlcdpannel.h"
#include "ui_zlcdpannel.h"

#include <QFont>

namespace {

// What the display shows before the device has said anything: 24 dots per line.
const char EmptyLine[] = "........................";

} // namespace

ZLcdPannel::ZLcdPannel(QWidget *parent) : QWidget(parent), ui(new Ui::ZLcdPannel)
{
    ui->setupUi(this);

    // Each key is named after the code the device expects for it.
    const QList<QPair<QPushButton *, int>> keys = {
        {ui->pushButton_lt, 1}, {ui->pushButton_up, 2},     {ui->pushButton_rt, 3},
        {ui->pushButton_dn, 4}, {ui->pushButton_ok, 5},     {ui->pushButton_r, 6},
        {ui->pushButton_alr, 7}, {ui->pushButton_cancel, 8}, {ui->pushButton_esc, 9}};
    for (const auto &key : keys) {
        QPushButton *button = key.first;
        const int code = key.second;
        button->setObjectName(QString::number(code));
        connect(button, &QPushButton::clicked, this,
                [this, button] { on_buttonClick(button->objectName().toInt()); });
        m_keys.append(button);
    }

    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(QFont::Bold);
    font.setPixelSize(14);
    ui->label_lcdTop->setFont(font);
    ui->label_lcdBottom->setFont(font);
    ui->label_lcdTop->setText(QLatin1String(EmptyLine));
    ui->label_lcdBottom->setText(QLatin1String(EmptyLine));
    // The keys mean nothing until the device answers.
    setKeysEnabled(false);
}

ZLcdPannel::~ZLcdPannel()
{
    delete ui;
}

void ZLcdPannel::topLcdChange(QString text)
{
    ui->label_lcdTop->setText(text);
}

void ZLcdPannel::bottomLcdChange(QString text)
{
    ui->label_lcdBottom->setText(text);
}

void ZLcdPannel::connected()
{
    setKeysEnabled(true);
}

void ZLcdPannel::disconnected()
{
    setKeysEnabled(false);
    ui->label_lcdTop->setText(QLatin1String(EmptyLine));
    ui->label_lcdBottom->setText(QLatin1String(EmptyLine));
}

void ZLcdPannel::on_buttonClick(int num)
{
    emit buttonClicked(num);
}

void ZLcdPannel::setKeysEnabled(bool enabled)
{
    for (QPushButton *key : qAsConst(m_keys))
        key->setEnabled(enabled);
}
