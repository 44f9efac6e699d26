#include "zportcombobox.h"

#include <QSerialPortInfo>
#include <QSignalBlocker>

#include "zportname.h"

namespace {

// Network names kept for the operator to pick again.
const int MaxRecent = 8;

// The widest the field grows for a long name.
const int MaxFieldWidth = 320;

} // namespace

ZPortComboBox::ZPortComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // Whatever the operator types is the port name handed out on start, unchanged.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMinimumWidth(100);
    // A network name is longer than a serial one; the field grows to show it whole.
    connect(this, &QComboBox::editTextChanged, this, [this](const QString &text) {
        const int wanted = fontMetrics().horizontalAdvance(text) + 2 * fontMetrics().height() + 8;
        setMinimumWidth(qBound(100, wanted, MaxFieldWidth));
    });
    refreshPorts();
}

void ZPortComboBox::refreshPorts()
{
    const QString typed = currentText();
    {
        // Refilling the list is no edit of the operator's: the text is put back as it was.
        const QSignalBlocker quiet(this);
        clear();
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : ports) {
            if (findText(info.portName(), Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
                addItem(info.portName());
        }
        for (const QString &name : qAsConst(m_recent))
            addItem(name);
        setCurrentIndex(findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
        setEditText(typed);
    }
}

void ZPortComboBox::showPopup()
{
    refreshPorts();
    QComboBox::showPopup();
}

void ZPortComboBox::setRecentNames(const QStringList &names)
{
    m_recent.clear();
    for (const QString &name : names) {
        if (ZPortName::isNetwork(name) && !m_recent.contains(name) && m_recent.size() < MaxRecent)
            m_recent.append(name);
    }
    refreshPorts();
}

bool ZPortComboBox::remember(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (!ZPortName::parse(trimmed).isValid() || !ZPortName::isNetwork(trimmed)
        || m_recent.value(0) == trimmed)
        return false;
    m_recent.removeAll(trimmed);
    m_recent.prepend(trimmed);
    while (m_recent.size() > MaxRecent)
        m_recent.removeLast();
    refreshPorts();
    return true;
}
