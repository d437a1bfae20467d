#include "platform/socket_wait.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>

#include <cerrno>
#endif

namespace zepra {

SocketReady WaitForSocket(std::intptr_t socket, bool read, bool write, int timeoutMs) {
#ifdef _WIN32
    WSAPOLLFD entry{};
    entry.fd = static_cast<SOCKET>(socket);
    entry.events = static_cast<SHORT>((read ? POLLRDNORM : 0) | (write ? POLLWRNORM : 0));
    const int ready = WSAPoll(&entry, 1, timeoutMs);
#else
    pollfd entry{};
    entry.fd = static_cast<int>(socket);
    entry.events = static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0));
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
#endif
    if (ready < 0) return SocketReady::Failed;
    return ready == 0 ? SocketReady::TimedOut : SocketReady::Ready;
}

}  // namespace zepra
