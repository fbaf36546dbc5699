#include "platform/SignalNotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

// [0] is written by the handler, [1] read by the notifier.
int Pair[2] = {-1, -1};

void writeSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: with the pipe full the signal is dropped, and one still
    // unread already asks the program to end.
    [[maybe_unused]] const ssize_t written = ::write(Pair[0], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : Handled)
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

SignalNotifier::SignalNotifier(QObject* parent)
    : QObject(parent)
{
    Q_ASSERT(Pair[0] < 0);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, Pair) != 0) {
        qWarning("SignalNotifier: no socket pair; signals keep their default actions");
        Pair[0] = Pair[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(Pair[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalNotifier::readPending);
    setHandler(writeSignal);
}

SignalNotifier::~SignalNotifier()
{
    if (Pair[0] < 0)
        return;
    setHandler(SIG_DFL);
    delete notifier_;
    ::close(Pair[0]);
    ::close(Pair[1]);
    Pair[0] = Pair[1] = -1;
}

void SignalNotifier::readPending()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(Pair[1], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}
