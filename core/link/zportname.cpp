#include "zportname.h"

#include <QRegularExpression>

#include <arpa/inet.h>

namespace {

const QString TcpScheme = QStringLiteral("tcp://");
const QString Rfc2217Scheme = QStringLiteral("rfc2217://");

} // namespace

bool ZPortName::isNetwork(const QString &name)
{
    const QString trimmed = name.trimmed();
    return trimmed.startsWith(TcpScheme, Qt::CaseInsensitive)
           || trimmed.startsWith(Rfc2217Scheme, Qt::CaseInsensitive);
}

ZPortName ZPortName::parse(const QString &name)
{
    ZPortName result;
    const QString trimmed = name.trimmed();
    if (!isNetwork(trimmed))
        return result;

    const bool telnet = trimmed.startsWith(Rfc2217Scheme, Qt::CaseInsensitive);
    result.m_kind = telnet ? Rfc2217 : Tcp;
    const QString rest = trimmed.mid(telnet ? Rfc2217Scheme.size() : TcpScheme.size());
    const QString forms = tr("ожидается tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ, "
                             "адрес IPv6 в квадратных скобках: tcp://[::1]:2001");

    // A host name or IPv4 address, or an IPv6 address in brackets; then a port number.
    static const QRegularExpression form(
        QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9._-]+)):([0-9]{1,5})$"));
    const QRegularExpressionMatch match = form.match(rest);
    if (!match.hasMatch()) {
        result.m_error = tr("Неверное имя порта «%1»: %2").arg(name, forms);
        return result;
    }
    const bool bracketed = !match.captured(1).isEmpty();
    result.m_host = bracketed ? match.captured(1) : match.captured(2);
    in6_addr address{};
    if (bracketed && ::inet_pton(AF_INET6, result.m_host.toLatin1().constData(), &address) != 1) {
        result.m_error = tr("Неверный адрес IPv6 в имени порта «%1»: %2").arg(name, forms);
        return result;
    }
    result.m_port = match.captured(3).toInt();
    if (result.m_port < 1 || result.m_port > 65535) {
        result.m_error = tr("Неверный номер порта в «%1»: от 1 до 65535; %2").arg(name, forms);
        return result;
    }
    return result;
}

QString ZPortName::endpoint() const
{
    const bool v6 = m_host.contains(QLatin1Char(':'));
    return (v6 ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host) + QLatin1Char(':')
           + QString::number(m_port);
}

QByteArray ZPortName::gensioString() const
{
    // The library takes the host and the port as separate fields, so an IPv6 address needs no
    // brackets there. The Telnet layer over TCP speaks the COM-port control option.
    const QByteArray tcp = "tcp," + m_host.toUtf8() + ',' + QByteArray::number(m_port);
    return m_kind == Rfc2217 ? "telnet(rfc2217)," + tcp : tcp;
}
