#ifndef ZSETSERIALDIALOG_H
#define ZSETSERIALDIALOG_H

#include <QDialog>

#include "zserialportprops.h"

class QComboBox;
class QLabel;

// The line settings dialog: port, speed, data bits, stop bits, parity and flow control. A value
// that is not in a list selects that list's usual choice. For a network port the dialog says
// where the line is set: on the device server for "tcp://" (the fields only shown), by the
// server on this program's word for "rfc2217://" (the fields show what the server confirmed).
class ZSetSerialDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ZSetSerialDialog(const ZSerialPortProps &props, QWidget *parent = nullptr);

signals:
    void serialApply(ZSerialPortProps props);

private:
    // "Принять": hands out the chosen settings and closes.
    void apply();
    // Shows, for the port name in the field, who sets the line.
    void showLineOwner(const QString &portName);

    QComboBox *m_port;
    QComboBox *m_speed;
    QComboBox *m_dataBits;
    QComboBox *m_stopBits;
    QComboBox *m_parity;
    QComboBox *m_flowControl;
    QLabel *m_lineOwner;
};

#endif // ZSETSERIALDIALOG_H
