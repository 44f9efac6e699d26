#ifndef SER2NETSERVER_H
#define SER2NETSERVER_H

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's ser2net, the device server operators put in front of a receiver, run by the test on a
// free loopback port with a configuration of its own: the connector is the emulator's
// pseudo-terminal, the accepter raw TCP or Telnet with the COM-port control option.
class Ser2NetServer
{
public:
    enum Kind { RawTcp, Rfc2217 };

    Ser2NetServer(const QString &serialPath, Kind kind);
    ~Ser2NetServer();

    // Starts the server, on the port it had before if it ran already, and waits until it
    // listens; says why when it cannot.
    bool start();
    // Ends it (SIGTERM) and waits until it is gone.
    void stop();
    // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    QString portName() const;
    int port() const { return m_port; }

    // A loopback TCP port nobody listens on now.
    static int freePort();
    // Whether something listens on the loopback port, as /proc/net/tcp says.
    static bool listening(int port);

private:
    QString m_serialPath;
    Kind m_kind;
    int m_port = 0;
    QTemporaryDir m_dir;
    QProcess m_process;
};

#endif // SER2NETSERVER_H
