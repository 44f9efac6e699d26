#include "zserialstatuswidget.h"

#include "zsetserialdialog.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>

namespace {

// `base` with the button and window roles in `colour` for every colour group.
QPalette coloured(QPalette base, const QColor &colour)
{
    base.setColor(QPalette::Button, colour);
    base.setColor(QPalette::Window, colour);
    return base;
}

} // namespace

ZSerialStatusWidget::ZSerialStatusWidget(QWidget *parent)
    : QWidget(parent),
      m_connectedIcon(QStringLiteral(":/icons/connected.png")),
      m_disconnectedIcon(QStringLiteral(":/icons/disconnected.png")),
      m_settingsIcon(QStringLiteral(":/icons/settings.png")),
      m_greenPalette(coloured(palette(), QColor(QStringLiteral("#5BE33B")))),
      m_greyPalette(coloured(palette(), QColor(QStringLiteral("#B6B6B6")))),
      m_statusLabel(new QLabel(this)),
      m_connectionLabel(new QLabel(this)),
      m_portCombo(new QComboBox(this)),
      m_conButton(new QPushButton(this)),
      m_setButton(new QPushButton(this)),
      m_frame(new QFrame(this))
{
    m_statusLabel->setObjectName(QStringLiteral("label_status"));
    m_connectionLabel->setObjectName(QStringLiteral("label_connection"));
    m_portCombo->setObjectName(QStringLiteral("comboBox_port"));
    m_conButton->setObjectName(QStringLiteral("pushButton_startStop"));
    m_setButton->setObjectName(QStringLiteral("pushButton_settings"));
    m_frame->setObjectName(QStringLiteral("frame_port"));

    setAutoFillBackground(true);
    m_frame->setAutoFillBackground(true);
    setPalette(m_greyPalette);

    m_conButton->setIcon(m_disconnectedIcon);
    m_conButton->setIconSize(QSize(16, 16));
    m_conButton->setToolTip(tr("Запуск"));
    connect(m_conButton, &QPushButton::clicked, this, &ZSerialStatusWidget::on_conButtonClick);
    m_setButton->setIcon(m_settingsIcon);
    m_setButton->setIconSize(QSize(16, 16));
    connect(m_setButton, &QPushButton::clicked, this, &ZSerialStatusWidget::openSettingsDialog);

    // Whatever the operator types is the port name handed out on start, unchanged.
    m_portCombo->setEditable(true);
    m_portCombo->setInsertPolicy(QComboBox::NoInsert);
    m_portCombo->setMinimumWidth(100);
    connect(m_portCombo, &QComboBox::editTextChanged, this, [this](const QString &text) { m_props.name = text; });

    auto *frameLayout = new QHBoxLayout(m_frame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(m_portCombo);
    frameLayout->addWidget(m_setButton);
    frameLayout->addWidget(m_conButton);
    m_frame->setFixedHeight(m_portCombo->height() + 4);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addSpacing(5);
    layout->addWidget(m_statusLabel);
    layout->addSpacing(5);
    layout->addWidget(m_connectionLabel);
    layout->addStretch();
    layout->addWidget(m_frame);
    m_statusLabel->setText(tr("<b>Статус:</b> нет соединения"));
    m_connectionLabel->setText(tr("<b>Соединение:</b> порт закрыт"));

    // The ports present now; the list is not refreshed later, a new port can be typed.
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (m_portCombo->findText(info.portName(), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            m_portCombo->addItem(info.portName());
    }
}

void ZSerialStatusWidget::connected()
{
    m_statusLabel->setText(tr("<b>Статус:</b> соединен"));
    setPalette(m_greenPalette);
}

void ZSerialStatusWidget::disconnected()
{
    m_statusLabel->setText(tr("<b>Статус:</b> нет соединения"));
    setPalette(m_greyPalette);
}

void ZSerialStatusWidget::initStart()
{
    m_connectionLabel->setText(tr("<b>Соединение:</b> запуск"));
}

void ZSerialStatusWidget::started()
{
    m_connectionLabel->setText(tr("<b>Соединение:</b> порт открыт"));
    m_frame->setPalette(m_greenPalette);
    m_running = true;
    m_conButton->setToolTip(tr("Остановить"));
    m_conButton->setIcon(m_connectedIcon);
}

void ZSerialStatusWidget::initFinish()
{
    m_connectionLabel->setText(tr("<b>Соединение:</b> остановка"));
}

void ZSerialStatusWidget::finished()
{
    m_connectionLabel->setText(tr("<b>Соединение:</b> порт закрыт"));
    m_frame->setPalette(m_greyPalette);
    m_running = false;
    m_conButton->setToolTip(tr("Запуск"));
    m_conButton->setIcon(m_disconnectedIcon);
}

void ZSerialStatusWidget::serialDitails(QVariant details)
{
    takeProps(ZSerialPortProps::fromVariant(details));
}

void ZSerialStatusWidget::on_conButtonClick()
{
    if (m_running) {
        emit stop();
        return;
    }
    QVariant details = m_props.toVariant();
    emit portDetailsSet(details);
    emit start();
}

void ZSerialStatusWidget::openSettingsDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new ZSetSerialDialog(m_props, this);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &ZSetSerialDialog::serialApply, this, &ZSerialStatusWidget::takeProps);
    m_dialog->show();
}

void ZSerialStatusWidget::takeProps(const ZSerialPortProps &props)
{
    m_props = props;
    m_portCombo->setEditText(props.name);
}
