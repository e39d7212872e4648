// Fetch speed and memory of kestrelon-get next to curl --http1.0, in the
// same run, on bodies of 1 MB, 20 MB and 200 MB served by a private nginx
// on 127.0.0.1. Wall time is taken around fork and wait in the helper, so
// shell start-up is not in it. Each fetch writes to a file (-o); the two programs take turns
// so that both see the same machine state. Prints the medians of the wall
// times and of the peak resident sizes; never fails on time.
//
//   bench_http_get [rounds]     (default 5)

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <cstdio>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Sample {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// Runs `args` to its end through the measuring helper: the wall time and
// the command's own peak RSS.
Sample runChild(const std::vector<QByteArray> &args)
{
    QByteArray command = MEASURE;
    for (const QByteArray &a : args)
        command += " '" + a + "'";
    Sample s;
    FILE *pipe = ::popen(command.constData(), "r");
    if (!pipe)
        return s;
    if (std::fscanf(pipe, "%lf %ld %d", &s.seconds, &s.peakKb, &s.status) != 3)
        s.status = -1;
    ::pclose(pipe);
    return s;
}

quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool accepts(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// A body that no compression or caching layer could shorten.
void writeBody(const QString &path, qint64 size)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint64 x = 0x9E3779B97F4A7C15ull ^ quint64(size);
    for (qint64 left = size; left > 0;) {
        for (qsizetype i = 0; i + 8 <= block.size(); i += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            std::memcpy(block.data() + i, &x, 8);
        }
        const qint64 n = std::min<qint64>(left, block.size());
        file.write(block.constData(), n);
        left -= n;
    }
}

template <typename T, typename F>
double median(const std::vector<T> &samples, F value)
{
    std::vector<double> v;
    for (const T &s : samples)
        v.push_back(double(value(s)));
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool sameFile(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString root = dir.filePath("root");
    QDir().mkpath(root);
    QDir().mkpath(dir.filePath("logs"));
    const quint16 port = freePort();

    QFile conf(dir.filePath("nginx.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n"
                              "pid %1/nginx.pid;\nerror_log %1/logs/error.log;\n"
                              "events { worker_connections 64; }\n"
                              "http {\n access_log off;\n sendfile on;\n"
                              " client_body_temp_path %1/tmp;\n proxy_temp_path %1/tmp;\n"
                              " fastcgi_temp_path %1/tmp;\n uwsgi_temp_path %1/tmp;\n scgi_temp_path %1/tmp;\n"
                              " server { listen 127.0.0.1:%2; root %3; }\n}\n")
                   .arg(dir.path())
                   .arg(port)
                   .arg(root)
                   .toUtf8());
    conf.close();

    const struct {
        const char *name;
        qint64 size;
    } bodies[] = {{"1m.bin", 1 << 20}, {"20m.bin", 20 << 20}, {"200m.bin", 200ll << 20}};
    for (const auto &b : bodies)
        writeBody(root + "/" + b.name, b.size);

    std::vector<char *> nginxArgs = {const_cast<char *>("/usr/sbin/nginx"), const_cast<char *>("-p"),
                                     nullptr, const_cast<char *>("-c"), nullptr, nullptr};
    const QByteArray prefix = dir.path().toLocal8Bit(), confPath = conf.fileName().toLocal8Bit();
    nginxArgs[2] = const_cast<char *>(prefix.constData());
    nginxArgs[4] = const_cast<char *>(confPath.constData());
    pid_t nginx = 0;
    if (posix_spawn(&nginx, nginxArgs[0], nullptr, nullptr, nginxArgs.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start nginx\n");
        return 1;
    }
    for (int i = 0; i < 200 && !accepts(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));

    std::printf("rounds per size: %d (medians), nginx on 127.0.0.1:%u, output to files\n", rounds, port);
    std::printf("%-6s %12s %12s %7s %14s %14s %12s\n", "body", "curl ms", "kget ms", "ratio", "curl RSS MB",
                "kget RSS MB", "kget RSS/body");
    int failures = 0;
    for (const auto &b : bodies) {
        const QByteArray url = "http://127.0.0.1:" + QByteArray::number(port) + "/" + b.name;
        const QByteArray curlOut = dir.filePath("curl.out").toLocal8Bit();
        const QByteArray kgetOut = dir.filePath("kget.out").toLocal8Bit();
        std::vector<Sample> curl, kget;
        for (int r = 0; r < rounds; ++r) {
            curl.push_back(runChild({"/usr/bin/curl", "--http1.0", "-s", "-o", curlOut, url}));
            kget.push_back(runChild({KESTRELON_GET, url, "-o", kgetOut}));
            if (curl.back().status != 0 || kget.back().status != 0 ||
                !sameFile(QString::fromLocal8Bit(kgetOut), root + "/" + b.name)) {
                ++failures;
            }
        }
        const double c = median(curl, [](const Sample &s) { return s.seconds; });
        const double k = median(kget, [](const Sample &s) { return s.seconds; });
        const double crss = median(curl, [](const Sample &s) { return s.peakKb; }) / 1024.0;
        const double krss = median(kget, [](const Sample &s) { return s.peakKb; }) / 1024.0;
        std::printf("%-6s %12.1f %12.1f %7.2f %14.1f %14.1f %12.2f\n", QByteArray(b.name).chopped(4).constData(),
                    c * 1000, k * 1000, k / c, crss, krss, krss * 1024 * 1024 / double(b.size));
    }
    if (failures)
        std::printf("%d fetches failed or differed from the served file\n", failures);

    ::kill(nginx, SIGQUIT);
    int status = 0;
    waitpid(nginx, &status, 0);
    return failures ? 1 : 0;
}
