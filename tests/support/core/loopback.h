#pragma once

#include <QtGlobal>

// Listening sockets on 127.0.0.1 for the test servers. The kernel picks the
// port when the socket is bound to port 0 and the port is read back from the
// bound socket, so no other test running at the same time can take it
// between choosing and listening (as it could with bind, close, reuse).
namespace testing_support {

struct LoopbackListener {
    int fd = -1;      // close-on-exec; the owner closes it
    quint16 port = 0;
};

// A socket listening on 127.0.0.1 on a kernel-chosen port. `receiveBuffer`
// (bytes, 0: the system's) is inherited by the accepted sockets. Aborts the
// test program when no socket can be had: nothing could run without one.
LoopbackListener listenOnLoopback(int backlog = 128, int receiveBuffer = 0);

// A port on 127.0.0.1 on which nothing listens and nothing will: a socket is
// bound to it (never listening) for the life of the process, so a connection
// to it is refused.
quint16 refusingPort();

} // namespace testing_support
