#include "zserialstatuswidget.h"

#include "zportcombobox.h"
#include "zsetserialdialog.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

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
      m_portCombo(new ZPortComboBox(this)),
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
    showStartStop(tr("Запуск"));
    connect(m_conButton, &QPushButton::clicked, this, &ZSerialStatusWidget::on_conButtonClick);
    m_setButton->setIcon(m_settingsIcon);
    m_setButton->setIconSize(QSize(16, 16));
    m_setButton->setToolTip(tr("Настройки порта"));
    m_setButton->setAccessibleName(m_setButton->toolTip());
    m_portCombo->setAccessibleName(tr("Порт"));
    connect(m_setButton, &QPushButton::clicked, this, &ZSerialStatusWidget::openSettingsDialog);

    connect(m_portCombo, &QComboBox::editTextChanged, this, [this](const QString &text) { m_props.name = text; });

    auto *frameLayout = new QHBoxLayout(m_frame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(m_portCombo);
    frameLayout->addWidget(m_setButton);
    frameLayout->addWidget(m_conButton);
    m_frame->setFixedHeight(m_portCombo->height() + 4);
    // Tab goes the way the strip reads: port, its settings, start.
    setTabOrder(m_portCombo, m_setButton);
    setTabOrder(m_setButton, m_conButton);

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
    showStartStop(tr("Остановить"));
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
    showStartStop(tr("Запуск"));
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
    if (m_portCombo->remember(m_props.name))
        emit recentNamesChanged(m_portCombo->recentNames());
    emit start();
}

QStringList ZSerialStatusWidget::recentNames() const
{
    return m_portCombo->recentNames();
}

void ZSerialStatusWidget::setRecentNames(const QStringList &names)
{
    m_portCombo->setRecentNames(names);
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
    connect(m_dialog, &ZSetSerialDialog::serialApply, this, [this](const ZSerialPortProps &props) {
        takeProps(props);
        // While the exchange runs, new settings take effect at once: the line is opened again
        // with them (a device server is told them), not only at the next start.
        if (m_running) {
            QVariant details = props.toVariant();
            emit portDetailsSet(details);
        }
    });
    m_dialog->show();
}

void ZSerialStatusWidget::showStartStop(const QString &what)
{
    // An icon alone says nothing to a screen reader: the button is named after what it does.
    m_conButton->setToolTip(what);
    m_conButton->setAccessibleName(what);
}

void ZSerialStatusWidget::takeProps(const ZSerialPortProps &props)
{
    m_props = props;
    m_portCombo->setEditText(props.name);
}
