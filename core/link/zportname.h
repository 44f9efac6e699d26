#ifndef ZPORTNAME_H
#define ZPORTNAME_H

#include <QCoreApplication>
#include <QString>

// What a port name given by the operator stands for: a serial port of this machine, or a
// receiver behind a serial device server on the network, reached as raw bytes over TCP
// ("tcp://HOST:PORT") or through Telnet with the COM-port control option, which also carries
// the line settings to the server ("rfc2217://HOST:PORT"). HOST is a name, an IPv4 address or an
// IPv6 address in brackets.
class ZPortName
{
    Q_DECLARE_TR_FUNCTIONS(ZPortName)

public:
    enum Kind { Serial, Tcp, Rfc2217 };

    // Reads `name`; a name with a network scheme that does not parse is refused, with a message
    // that shows the accepted forms.
    static ZPortName parse(const QString &name);
    // Whether `name` asks for the network (whether or not the rest of it parses).
    static bool isNetwork(const QString &name);

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    Kind kind() const { return m_kind; }
    QString host() const { return m_host; }
    int port() const { return m_port; }
    // "host:port" for messages, an IPv6 address in brackets.
    QString endpoint() const;
    // The description the network library opens a connection from.
    QByteArray gensioString() const;

private:
    Kind m_kind = Serial;
    QString m_host;
    int m_port = 0;
    QString m_error;
};

#endif // ZPORTNAME_H
