#include "ser2netserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

Ser2NetServer::Ser2NetServer(const QString &serialPath, Kind kind)
    : m_serialPath(serialPath), m_kind(kind)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

Ser2NetServer::~Ser2NetServer()
{
    stop();
}

int Ser2NetServer::freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), size) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Ser2NetServer::listening(int port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    // "sl local_address rem_address st ...": 0100007F:PORT in hexadecimal, state 0A = LISTEN.
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields.at(1) == local && fields.at(3) == "0A")
            return true;
    }
    return false;
}

bool Ser2NetServer::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (program.isEmpty()) {
        qWarning("ser2net is not installed (scripts/install-deps.sh installs it)");
        return false;
    }
    // A port found free may be taken before the server binds it: then another is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const bool again = m_port != 0 && attempt == 0;
        if (!again)
            m_port = freePort();
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QTextStream(&file) << "connection: &receiver\n"
                           << "  accepter: " << (m_kind == Rfc2217 ? "telnet(rfc2217),tcp(nodelay)," : "tcp(nodelay),")
                           << "127.0.0.1," << m_port << "\n"
                           << "  connector: serialdev," << m_serialPath << ",115200n82,local\n"
                           << "  options:\n"
                           << "    chardelay: false\n";
        file.close();
        m_process.start(program, {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), config});
        if (!m_process.waitForStarted(30000))
            return false;
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running && !listening(m_port))
            m_process.waitForFinished(5);
        if (m_process.state() == QProcess::Running && listening(m_port))
            return true;
        qWarning("ser2net on port %d: %s", m_port, m_process.readAll().constData());
        stop();
        if (again)
            return false;
    }
    return false;
}

void Ser2NetServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(30000)) {
        m_process.kill();
        m_process.waitForFinished(30000);
    }
}

QString Ser2NetServer::portName() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_kind == Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp"))
        .arg(m_port);
}
