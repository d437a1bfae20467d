#pragma once
// Waiting on a network socket that a library (libpq) made and drives itself: the caller waits in
// short slices and can give up in between, where the library's own calls would wait for good.

#include <cstdint>

namespace zepra {

enum class SocketReady { Ready, TimedOut, Failed };

// Waits at most timeoutMs until the socket can be read (read) or written (write), either one.
SocketReady WaitForSocket(std::intptr_t socket, bool read, bool write, int timeoutMs);

}  // namespace zepra
