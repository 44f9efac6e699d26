#include "zsignalwatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <pthread.h>
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

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// Lets a signal held back since the start of main() through: to the handler if one is in place,
// otherwise to the default action.
struct UnblockOnExit
{
    ~UnblockOnExit()
    {
        const sigset_t set = terminationSignals();
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
};

} // namespace

void ZSignalWatcher::blockTerminationSignals()
{
    // Threads started while the signals are blocked (the platform's own) keep them blocked, so a
    // signal always goes to a thread that lets it through: the main one, once unblocked.
    const sigset_t set = terminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ZSignalWatcher::ZSignalWatcher(QObject *parent) : QObject(parent)
{
    const UnblockOnExit unblock;
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
