// socket_wait_bench serve         accepts connections on 127.0.0.1 and never
//                                  sends; prints its port, runs until killed
// socket_wait_bench wait PORT MS  Connect + ReadLn with TimeOut MS; prints the
//                                  CPU time (user+sys) the two calls took
#include <QCoreApplication>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "socket/powersock.h"

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int serve()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0)
        return 1;
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    std::printf("%d\n", ntohs(a.sin_port));
    std::fflush(stdout);
    std::vector<int> held; // accepted and kept open, silent
    for (;;) {
        const int c = ::accept(fd, nullptr, nullptr);
        if (c >= 0)
            held.push_back(c);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0)
        return serve();
    if (argc < 4 || std::strcmp(argv[1], "wait") != 0) {
        std::fprintf(stderr, "usage: %s serve | wait PORT TIMEOUT_MS\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = std::atoi(argv[2]);
    sock.TimeOut = std::atoi(argv[3]);
    const double before = cpuSeconds();
    QByteArray line;
    QString outcome = QStringLiteral("returned");
    try {
        sock.Connect();
        sock.ReadLn(line);
    } catch (const Exception &e) {
        outcome = e.message();
    }
    const double cpu = cpuSeconds() - before;
    std::printf("Connect+ReadLn: %s; CPU in the two calls %.1f ms\n", qPrintable(outcome), cpu * 1000);
    return 0;
}
