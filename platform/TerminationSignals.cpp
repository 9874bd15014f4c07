#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kCaughtSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The socket pair's write end, the only thing the handler touches.
volatile sig_atomic_t g_writeEnd = -1;
int g_readEnd = -1;

void writeSignalNumber(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // When the pair is full, signals are already waiting to be read; one more
    // adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    errno = savedErrno;
}

void setAction(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kCaughtSignals)
        sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    g_writeEnd = ends[0];
    g_readEnd = ends[1];
    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    setAction(writeSignalNumber);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    setAction(SIG_DFL);
    delete m_notifier;
    ::close(g_writeEnd);
    ::close(g_readEnd);
    g_writeEnd = -1;
    g_readEnd = -1;
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_readEnd, &byte, 1) == 1)
        emit received(byte);
}
