#ifndef ZPORTCOMBOBOX_H
#define ZPORTCOMBOBOX_H

#include <QComboBox>

// The serial strip's port field: the serial ports of the machine to choose from, or any name
// typed in. The list is read afresh each time it drops down, so that an adapter plugged in
// after the window was built is there to pick; what the operator typed stays.
class ZPortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ZPortComboBox(QWidget *parent = nullptr);

    // Fills the list with the ports present now, leaving the text in the field as it is.
    void refreshPorts();

    void showPopup() override;
};

#endif // ZPORTCOMBOBOX_H
