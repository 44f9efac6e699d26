#ifndef ZPORTACCESS_H
#define ZPORTACCESS_H

#include <QCoreApplication>
#include <QSerialPort>
#include <QString>

// What the operator reads when the receiver's port does not open: always the port's name and
// the system's reason, and for a port the operator may not open, what grants it, read from the
// device node itself (on Debian a USB adapter belongs to the group "dialout").
class ZPortAccess
{
    Q_DECLARE_TR_FUNCTIONS(ZPortAccess)

public:
    // `error` and `errorString` as the port gave them after open() failed.
    static QString openFailure(const QString &portName, QSerialPort::SerialPortError error,
                               const QString &errorString);

    // The device node a port name stands for: a path as it is, a bare name under /dev.
    static QString deviceNode(const QString &portName);

    // For a node the user may not open: membership of the group that may (and a new login, for
    // the membership to count), or an administrator when only the owner may. Kept short: it
    // follows the port's name in one line of the status bar.
    static QString grantAdvice(const QString &node);
};

#endif // ZPORTACCESS_H
