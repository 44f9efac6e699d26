#include "zportcombobox.h"

#include <QSerialPortInfo>
#include <QSignalBlocker>

ZPortComboBox::ZPortComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // Whatever the operator types is the port name handed out on start, unchanged.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMinimumWidth(100);
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
        setCurrentIndex(findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
        setEditText(typed);
    }
}

void ZPortComboBox::showPopup()
{
    refreshPorts();
    QComboBox::showPopup();
}
