#include "fetch_bench.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fetch_bench {

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

void writeBodies(const testing_support::NginxServer &server, const std::vector<Body> &bodies)
{
    for (const Body &b : bodies)
        writeBody(server.root() + "/" + b.name, b.size);
}

int compare(const testing_support::NginxServer &server, const std::vector<Body> &bodies, int rounds,
            const std::vector<QByteArray> &curlOptions, const std::vector<QByteArray> &kgetOptions)
{
    QTemporaryDir dir;
    std::printf("rounds per size: %d (medians), nginx on 127.0.0.1:%u, output to files\n", rounds, server.port());
    std::printf("%-6s %12s %12s %7s %14s %14s %12s\n", "body", "curl ms", "kget ms", "ratio", "curl RSS MB",
                "kget RSS MB", "kget RSS/body");
    int failures = 0;
    for (const Body &b : bodies) {
        const QByteArray url = server.url(QString::fromLatin1(b.name));
        const QByteArray curlOut = dir.filePath("curl.out").toLocal8Bit();
        const QByteArray kgetOut = dir.filePath("kget.out").toLocal8Bit();
        std::vector<QByteArray> curlArgs = {"/usr/bin/curl", "--http1.0", "-s", "-o", curlOut};
        curlArgs.insert(curlArgs.end(), curlOptions.begin(), curlOptions.end());
        curlArgs.push_back(url);
        std::vector<QByteArray> kgetArgs = {KESTRELON_GET, url, "-o", kgetOut};
        kgetArgs.insert(kgetArgs.end(), kgetOptions.begin(), kgetOptions.end());
        std::vector<Sample> curl, kget;
        for (int r = 0; r < rounds; ++r) {
            curl.push_back(runChild(curlArgs));
            kget.push_back(runChild(kgetArgs));
            if (curl.back().status != 0 || kget.back().status != 0 ||
                !sameFile(QString::fromLocal8Bit(kgetOut), server.root() + "/" + b.name)) {
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
    return failures;
}

} // namespace fetch_bench
