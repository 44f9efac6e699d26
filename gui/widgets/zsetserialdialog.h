#ifndef ZSETSERIALDIALOG_H
#define ZSETSERIALDIALOG_H

#include <QDialog>

#include "zserialportprops.h"

class QComboBox;

// The line settings dialog: port, speed, data bits, stop bits, parity and flow control. A value
// that is not in a list selects that list's usual choice.
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

    QComboBox *m_port;
    QComboBox *m_speed;
    QComboBox *m_dataBits;
    QComboBox *m_stopBits;
    QComboBox *m_parity;
    QComboBox *m_flowControl;
};

#endif // ZSETSERIALDIALOG_H
