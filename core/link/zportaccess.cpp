#include "zportaccess.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString groupName(gid_t gid)
{
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    group entry{};
    group *found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString::number(gid);
    return QString::fromLocal8Bit(found->gr_name);
}

QString userName()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QString::number(::geteuid());
    return QString::fromLocal8Bit(found->pw_name);
}

} // namespace

QString ZPortAccess::openFailure(const QString &portName, QSerialPort::SerialPortError error,
                                 const QString &errorString)
{
    if (error == QSerialPort::PermissionError) {
        const QString node = deviceNode(portName);
        // The port also says "permission" when another program holds it (its lock file, or an
        // exclusive open); only a node the user may not read and write needs a grant.
        if (::access(QFile::encodeName(node).constData(), R_OK | W_OK) == 0)
            return tr("Порт %1 занят другой программой (%2)").arg(portName, errorString);
        const QString advice = grantAdvice(node);
        if (!advice.isEmpty())
            return tr("Нет доступа к порту %1 (%2): %3").arg(portName, errorString, advice);
    }
    return tr("Не удалось открыть порт %1: %2").arg(portName, errorString);
}

QString ZPortAccess::deviceNode(const QString &portName)
{
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./"))
        || portName.startsWith(QLatin1String("../")))
        return portName;
    return QStringLiteral("/dev/") + portName;
}

QString ZPortAccess::grantAdvice(const QString &node)
{
    struct stat info{};
    if (::stat(QFile::encodeName(node).constData(), &info) != 0)
        return QString();
    const mode_t groupReadWrite = S_IRGRP | S_IWGRP;
    if ((info.st_mode & groupReadWrite) == groupReadWrite)
        return tr("нужно членство в группе «%1» (sudo usermod -aG %1 %2) и новый вход в систему")
            .arg(groupName(info.st_gid), userName());
    return tr("открыть его может только владелец, доступ даёт администратор");
}
