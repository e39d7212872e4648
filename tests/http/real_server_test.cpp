// Against a real server: bodies from a private nginx must be byte-equal to
// what curl fetches, whether kept in Body, written by InputFileMode or
// written by the command-line tool.

#include "client_harness.h"
#include "support/core/nginx_server.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::NginxServer;

namespace {

QByteArray randomBytes(qsizetype n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator random(n);
    for (qsizetype i = 0; i + 4 <= n; i += 4) {
        const quint32 v = random.generate();
        std::memcpy(bytes.data() + i, &v, 4);
    }
    for (qsizetype i = n - n % 4; i < n; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

int run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(AgainstNginx, BodiesMatchWhatCurlFetches)
{
    NginxServer nginx;
    const struct {
        const char *name;
        qsizetype size;
    } files[] = {{"1k.bin", 1024}, {"1m.bin", 1 << 20}, {"50m.bin", 50 << 20}};
    for (const auto &f : files)
        nginx.writeFile(f.name, randomBytes(f.size));
    ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
    QTemporaryDir out;

    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const QByteArray url = nginx.url(f.name);
        const QString curlFile = out.filePath(QString("curl-") + f.name);
        ASSERT_EQ(run("curl", {"--http1.0", "-s", "-o", curlFile, QString::fromLatin1(url)}), 0);
        const QByteArray expected = readFile(curlFile);
        ASSERT_EQ(expected.size(), f.size);

        RecordingClient client;
        EXPECT_EQ(show(errorOf([&] { client.Get(url); })), "");
        EXPECT_EQ(client.ReplyNumber, 200);
        EXPECT_EQ(client.BytesTotal, f.size);
        EXPECT_TRUE(client.Body == expected);

        RecordingClient toFile;
        toFile.InputFileMode = true;
        toFile.Body = out.filePath(QString("client-") + f.name).toLocal8Bit();
        EXPECT_EQ(show(errorOf([&] { toFile.Get(url); })), "");
        EXPECT_TRUE(readFile(QString::fromLocal8Bit(toFile.Body)) == expected);

        const QString toolFile = out.filePath(QString("tool-") + f.name);
        EXPECT_EQ(run(KESTRELON_GET, {QString::fromLatin1(url), "-o", toolFile}), 0);
        EXPECT_TRUE(readFile(toolFile) == expected);
    }
}

TEST(AgainstNginx, NotFoundIsAFailureWithItsPage)
{
    NginxServer nginx;
    ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url("missing.html")); })), "");
    EXPECT_EQ(client.ReplyNumber, 404);
    EXPECT_TRUE(client.Header.startsWith("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_TRUE(client.Header.endsWith("\r\n\r\n"));
    EXPECT_TRUE(client.Body.contains("404 Not Found"));
    EXPECT_TRUE(client.events.contains("Failure(0)"));
}
