#include "zsignalwatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    // Nothing but async-signal-safe calls here, and the interrupted code's errno left as it was.
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

ZSignalWatcher::ZSignalWatcher(QObject *parent) : QObject(parent)
{
    // Close-on-exec: a child started later (a shell, a helper) must not hold the pair.
    if (g_pipe[0] < 0
        && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ZSignalWatcher::on_notifier_activated);
}

ZSignalWatcher::~ZSignalWatcher()
{
    if (m_notifier) {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
    }
}

void ZSignalWatcher::on_notifier_activated()
{
    char byte = 0;
    bool any = false;
    while (::read(g_pipe[1], &byte, 1) == 1)
        any = true;
    if (!any)
        return;
    emit terminationRequested(int(byte));
    QCoreApplication::exit(0);
}
