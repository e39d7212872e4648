#include "hostile_support.h"
#include "support/core/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hostile {

CountingServer::CountingServer()
{
    const testing_support::LoopbackListener listener = testing_support::listenOnLoopback(1024);
    m_listenFd = listener.fd;
    m_port = listener.port;
    m_thread = std::thread([this] { serve(); });
}

CountingServer::~CountingServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listenFd);
}

void CountingServer::serve()
{
    while (!m_stop) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++m_accepted;
        // Read the request (bounded: a client that sends nothing is dropped).
        QByteArray request;
        while (!request.contains("\r\n\r\n") && request.size() < 65536) {
            pollfd r{fd, POLLIN, 0};
            if (::poll(&r, 1, 5000) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, n);
        }
        const QByteArray path = request.mid(4, request.indexOf(" HTTP/") - 4);
        const QByteArray reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\npage " + path;
        ::send(fd, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL);
        ::close(fd);
    }
}

} // namespace hostile
