#include "zsetserialdialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include "zportname.h"

namespace {

// Fills `combo` with (text, number) items and selects `value`, or `fallback` when the list has
// no item for it.
void fill(QComboBox *combo, const QList<QPair<QString, int>> &items, int value, int fallback)
{
    for (const auto &item : items)
        combo->addItem(item.first, item.second);
    int index = combo->findData(value);
    if (index < 0)
        index = combo->findData(fallback);
    combo->setCurrentIndex(index);
    combo->setFixedWidth(100);
}

QList<QPair<QString, int>> numbers(std::initializer_list<int> values)
{
    QList<QPair<QString, int>> items;
    for (int v : values)
        items.append({QString::number(v), v});
    return items;
}

} // namespace

ZSetSerialDialog::ZSetSerialDialog(const ZSerialPortProps &props, QWidget *parent)
    : QDialog(parent),
      m_port(new QComboBox(this)),
      m_speed(new QComboBox(this)),
      m_dataBits(new QComboBox(this)),
      m_stopBits(new QComboBox(this)),
      m_parity(new QComboBox(this)),
      m_flowControl(new QComboBox(this)),
      m_lineOwner(new QLabel(this))
{
    setWindowTitle(tr("Порт"));
    resize(178, 201);

    m_port->setObjectName(QStringLiteral("comboBox_port"));
    m_speed->setObjectName(QStringLiteral("comboBox_speed"));
    m_dataBits->setObjectName(QStringLiteral("comboBox_dataBits"));
    m_stopBits->setObjectName(QStringLiteral("comboBox_stopBits"));
    m_parity->setObjectName(QStringLiteral("comboBox_parity"));
    m_flowControl->setObjectName(QStringLiteral("comboBox_flowControl"));

    // The ports the system reports, each with its description; the operator may also type a
    // name the system does not report.
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        const QString text = info.portName() + QLatin1Char(' ') + info.description();
        if (m_port->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            m_port->addItem(text);
    }
    // A chosen item leaves only its port name, its first word, in the field.
    connect(m_port, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        m_port->setEditText(m_port->itemText(index).section(QLatin1Char(' '), 0, 0));
    });
    m_port->setEditText(props.name);
    m_port->setAccessibleName(tr("Порт"));
    m_port->setMinimumWidth(100);
    m_port->setMinimumHeight(m_port->height());

    fill(m_speed, numbers({1200, 2400, 4800, 9600, 19200, 38400, 115200}), props.baudRate, 115200);
    fill(m_dataBits, numbers({5, 6, 7, 8}), props.dataBits, 8);
    fill(m_stopBits, {{QStringLiteral("1"), 1}, {QStringLiteral("1.5"), 3}, {QStringLiteral("2"), 2}},
         props.stopBits, 2);
    fill(m_parity,
         {{tr("None"), 0}, {tr("Even"), 2}, {tr("Odd"), 3}, {tr("Space"), 4}, {tr("Mark"), 5}},
         props.parity, 0);
    fill(m_flowControl, {{tr("None"), 0}, {tr("RTS/CTS"), 1}, {tr("XON/XOFF"), 2}}, props.flowControl, 0);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_port);
    const QList<QPair<QString, QComboBox *>> rows = {{tr("Скорость"), m_speed},
                                                     {tr("Дата бит"), m_dataBits},
                                                     {tr("Стоп бит"), m_stopBits},
                                                     {tr("Четность"), m_parity},
                                                     {tr("Контроль"), m_flowControl}};
    for (const auto &row : rows) {
        auto *line = new QHBoxLayout;
        auto *label = new QLabel(row.first, this);
        label->setBuddy(row.second);
        line->addWidget(label);
        line->addStretch();
        line->addWidget(row.second);
        layout->addLayout(line);
    }
    m_lineOwner->setObjectName(QStringLiteral("label_lineOwner"));
    m_lineOwner->setWordWrap(true);
    layout->addWidget(m_lineOwner);
    connect(m_port, &QComboBox::editTextChanged, this, &ZSetSerialDialog::showLineOwner);
    showLineOwner(props.name);
    layout->addStretch();

    auto *cancel = new QPushButton(tr("Отмена"), this);
    auto *apply = new QPushButton(tr("Принять"), this);
    cancel->setObjectName(QStringLiteral("pushButton_cancel"));
    apply->setObjectName(QStringLiteral("pushButton_apply"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(apply);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    apply->setDefault(true);
    connect(apply, &QPushButton::clicked, this, &ZSetSerialDialog::apply);
}

void ZSetSerialDialog::apply()
{
    ZSerialPortProps props;
    props.name = m_port->currentText();
    props.baudRate = m_speed->currentData().toInt();
    props.dataBits = m_dataBits->currentData().toInt();
    props.stopBits = m_stopBits->currentData().toInt();
    props.parity = m_parity->currentData().toInt();
    props.flowControl = m_flowControl->currentData().toInt();
    emit serialApply(props);
    close();
}

void ZSetSerialDialog::showLineOwner(const QString &portName)
{
    const ZPortName name = ZPortName::parse(portName);
    const bool serverOwnsLine = name.isValid() && name.kind() == ZPortName::Tcp;
    for (QComboBox *field : {m_speed, m_dataBits, m_stopBits, m_parity, m_flowControl})
        field->setEnabled(!serverOwnsLine);
    if (!name.isValid())
        m_lineOwner->setText(name.error());
    else if (name.kind() == ZPortName::Tcp)
        m_lineOwner->setText(tr("Линия настраивается на сервере %1").arg(name.endpoint()));
    else if (name.kind() == ZPortName::Rfc2217)
        m_lineOwner->setText(tr("Параметры передаются серверу %1; показаны подтверждённые им")
                                 .arg(name.endpoint()));
    else
        m_lineOwner->clear();
    m_lineOwner->setVisible(!m_lineOwner->text().isEmpty());
    m_lineOwner->setAccessibleName(m_lineOwner->text());
    // The note wraps to the dialog's width; the dialog grows to show all its lines.
    if (layout()) {
        layout()->activate();
        const int wanted = layout()->totalHeightForWidth(width());
        if (wanted > height())
            resize(width(), wanted);
    }
}
