#include "zsignalwatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    // Nothing but async-signal-safe calls here.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
}

} // namespace

ZSignalWatcher::ZSignalWatcher(QObject *parent) : QObject(parent)
{
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);

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
