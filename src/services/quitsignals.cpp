#include "services/quitsignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace norvel {

namespace {

// [0] is written by the handler, [1] read by the event loop.
int pipeEnds[2] = { -1, -1 };
constexpr std::array<int, 3> QuitSignalNumbers { SIGTERM, SIGINT, SIGHUP };

extern "C" void onQuitSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe calls here; a full pipe just drops a repeated request.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &number, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action { };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : QuitSignalNumbers)
        ::sigaction(number, &action, nullptr);
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(pipeEnds[1], F_SETFL, ::fcntl(pipeEnds[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    setHandler(onQuitSignal);
    m_installed = true;
}

QuitSignals::~QuitSignals()
{
    if (!m_installed)
        return;
    setHandler(SIG_DFL);
    m_notifier->setEnabled(false);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::readPipe()
{
    unsigned char number = 0;
    while (::read(pipeEnds[1], &number, 1) == 1)
        Q_EMIT received(number);
}

} // namespace norvel
