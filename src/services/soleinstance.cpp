#include "services/soleinstance.h"

#include <QCryptographicHash>
#include <QDir>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace norvel {

SoleInstance::SoleInstance(const QString& programFolder)
{
    const QString folder = QDir(programFolder).canonicalPath();
    const QByteArray name = "norvel-"
        + QCryptographicHash::hash((folder.isEmpty() ? programFolder : folder).toUtf8(), QCryptographicHash::Sha1)
              .toHex();
    m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    // A leading NUL puts the name in the abstract namespace: no file, gone with the last holder.
    std::memcpy(address.sun_path + 1, name.constData(), std::size_t(name.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + std::size_t(name.size()));
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), length) == 0)
        return;
    m_alone = errno != EADDRINUSE;
    ::close(m_socket);
    m_socket = -1;
}

SoleInstance::~SoleInstance()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

} // namespace norvel
