#include "support/core/loopback.h"

#include <QtGlobal>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {

// A socket bound to 127.0.0.1 on a kernel-chosen port, and that port.
LoopbackListener boundSocket(int receiveBuffer)
{
    LoopbackListener l;
    l.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (l.fd < 0)
        qFatal("loopback: no socket");
    const int on = 1;
    ::setsockopt(l.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0)
        ::setsockopt(l.fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(l.fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::getsockname(l.fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        qFatal("loopback: cannot bind on 127.0.0.1");
    l.port = ntohs(addr.sin_port);
    return l;
}

} // namespace

LoopbackListener listenOnLoopback(int backlog, int receiveBuffer)
{
    LoopbackListener l = boundSocket(receiveBuffer);
    if (::listen(l.fd, backlog) != 0)
        qFatal("loopback: cannot listen on 127.0.0.1");
    return l;
}

quint16 refusingPort()
{
    static const quint16 port = boundSocket(0).port; // the socket stays open, never listening
    return port;
}

} // namespace testing_support
