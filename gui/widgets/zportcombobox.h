#ifndef ZPORTCOMBOBOX_H
#define ZPORTCOMBOBOX_H

#include <QComboBox>
#include <QStringList>

// The serial strip's port field: the serial ports of the machine to choose from, the network
// ports used lately ("tcp://…", "rfc2217://…"), or any name typed in. The list is read afresh
// each time it drops down, so that an adapter plugged in after the window was built is there to
// pick; what the operator typed stays.
class ZPortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ZPortComboBox(QWidget *parent = nullptr);

    // Fills the list with the ports present now, leaving the text in the field as it is.
    void refreshPorts();

    void showPopup() override;

    // The network names used lately, the latest first.
    QStringList recentNames() const { return m_recent; }
    void setRecentNames(const QStringList &names);
    // Puts a network name at the head of the recent ones; false for any other name, or one
    // already at the head.
    bool remember(const QString &name);

private:
    QStringList m_recent;
};

#endif // ZPORTCOMBOBOX_H
