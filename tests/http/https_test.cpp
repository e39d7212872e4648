// https against real TLS servers on 127.0.0.1 with certificates made for
// the test: nginx for bodies and certificate failures, and a small server
// of our own where a server must misbehave (stall mid-handshake, end
// without close_notify, trickle small records).

#include "client_harness.h"
#include "support/core/loopback.h"
#include "support/core/nginx_server.h"
#include "support/core/test_certificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <linux/sockios.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::NginxServer;
using testing_support::Script;
using testing_support::ScriptedServer;
using testing_support::Step;
using testing_support::TestCertificates;

namespace {

QByteArray randomBytes(qsizetype n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator random{quint32(n)};
    for (qsizetype i = 0; i < n; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct ProgramRun {
    int exitCode = -1;
    QByteArray err;
};

ProgramRun runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    ProgramRun r;
    if (process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit)
        r.exitCode = process.exitCode();
    r.err = process.readAllStandardError();
    return r;
}

class Https : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(certs.make()) << certs.error().toStdString(); }

    // An https nginx serving `kind`'s certificate.
    void startNginx(NginxServer &nginx, TestCertificates::Kind kind)
    {
        nginx.setTls(certs.certificate(kind), certs.key(kind));
        nginx.writeFile(QStringLiteral("page.html"), "<html>secure</html>\n");
        ASSERT_TRUE(nginx.start()) << nginx.error().toStdString();
    }

    // A client that trusts the test CA.
    void prepare(RecordingClient &client)
    {
        client.HttpsEnabled = true;
        client.TrustedCaFile = certs.caFile();
    }

    // The error of a handshake on 127.0.0.1:`port` asking for `name`; the
    // test CA given as a file only when `trustTestCa`.
    QString handshakeError(quint16 port, const char *name, bool trustTestCa)
    {
        RecordingClient client;
        client.HttpsEnabled = true;
        if (trustTestCa)
            prepare(client);
        client.Host = "127.0.0.1";
        client.Port = port;
        client.Connect();
        const QString error = errorOf([&] { client.SecureHandshake(name); });
        client.Disconnect();
        return error;
    }

    TestCertificates certs;
};

// A TLS server of our own on 127.0.0.1, one connection at a time, each
// handed to `serve` after the handshake (or before it, when `handshake` is
// false, to stall one).
class TlsServer {
public:
    using Serve = std::function<void(SSL *ssl, int fd)>;
    TlsServer(const TestCertificates &certs, Serve serve, bool handshake = true)
        : m_listener(testing_support::listenOnLoopback())
    {
        m_context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(m_context, certs.certificate(TestCertificates::Good).toLocal8Bit());
        SSL_CTX_use_PrivateKey_file(m_context, certs.key(TestCertificates::Good).toLocal8Bit(), SSL_FILETYPE_PEM);
        ::pipe(m_stop);
        m_thread = std::thread([this, serve, handshake] {
            for (;;) {
                pollfd p[2] = {{m_listener.fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
                if (::poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN))
                    return;
                const int fd = ::accept(m_listener.fd, nullptr, nullptr);
                if (fd < 0)
                    continue;
                if (!handshake) {
                    // Reads the client's hello and answers nothing until stopped.
                    pollfd q[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
                    ::poll(q, 2, -1);
                    char hello[4096];
                    ::recv(fd, hello, sizeof hello, 0);
                    ::poll(&q[1], 1, -1);
                    ::close(fd);
                    return;
                }
                SSL *ssl = SSL_new(m_context);
                SSL_set_fd(ssl, fd);
                if (SSL_accept(ssl) == 1)
                    serve(ssl, fd);
                SSL_free(ssl);
                ::close(fd);
            }
        });
    }
    ~TlsServer()
    {
        ::write(m_stop[1], "x", 1);
        m_thread.join();
        ::close(m_stop[0]);
        ::close(m_stop[1]);
        ::close(m_listener.fd);
        SSL_CTX_free(m_context);
    }
    quint16 port() const { return m_listener.port; }

private:
    testing_support::LoopbackListener m_listener;
    SSL_CTX *m_context = nullptr;
    int m_stop[2] = {-1, -1};
    std::thread m_thread;
};

// Reads the request's header block; what arrived before the client went
// away when it never came whole.
QByteArray readRequest(SSL *ssl)
{
    QByteArray request;
    char buffer[4096];
    while (!request.contains("\r\n\r\n")) {
        const int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0)
            break;
        request.append(buffer, n);
    }
    return request;
}

void writeAll(SSL *ssl, const QByteArray &bytes, int record)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const int n = SSL_write(ssl, bytes.constData() + done, int(std::min<qsizetype>(record, bytes.size() - done)));
        if (n <= 0)
            return;
        done += n;
    }
}

double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST_F(Https, BodiesMatchWhatCurlFetches)
{
    NginxServer nginx;
    const struct {
        const char *name;
        qsizetype size;
    } files[] = {{"1k.bin", 1024}, {"1m.bin", 1 << 20}, {"50m.bin", 50 << 20}};
    for (const auto &f : files)
        nginx.writeFile(QString::fromLatin1(f.name), randomBytes(f.size));
    startNginx(nginx, TestCertificates::Good);
    QTemporaryDir out;
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        const QString name = QString::fromLatin1(f.name);
        const QString url = QString::fromLatin1(nginx.url(name));
        const ProgramRun curl =
            runProgram(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("--cacert"), certs.caFile(),
                                                QStringLiteral("-o"), out.filePath(QStringLiteral("curl")), url});
        ASSERT_EQ(curl.exitCode, 0) << curl.err.toStdString();
        const QByteArray expected = readFile(out.filePath(QStringLiteral("curl")));
        ASSERT_EQ(expected.size(), f.size);

        const ProgramRun tool =
            runProgram(QStringLiteral(KESTRELON_GET), {url, QStringLiteral("--cacert"), certs.caFile(),
                                                       QStringLiteral("-o"), out.filePath(QStringLiteral("kget"))});
        EXPECT_EQ(tool.exitCode, 0) << tool.err.toStdString();
        EXPECT_TRUE(readFile(out.filePath(QStringLiteral("kget"))) == expected);

        RecordingClient client;
        client.TimeOut = 60000;
        prepare(client);
        EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(name)); })), "");
        EXPECT_EQ(client.ReplyNumber, 200);
        EXPECT_TRUE(client.Body == expected);
    }
}

TEST_F(Https, CertificateFailuresNameTheirReason)
{
    const struct {
        TestCertificates::Kind kind;
        const char *error;
    } cases[] = {
        {TestCertificates::SelfSigned, "Certificate verify failed: self-signed certificate"},
        {TestCertificates::Expired, "Certificate verify failed: certificate has expired"},
        {TestCertificates::UnknownCa, "Certificate verify failed: unable to get local issuer certificate"},
        {TestCertificates::WrongHost, "Certificate is for another host: other.example.test"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        NginxServer nginx;
        startNginx(nginx, c.kind);
        RecordingClient client;
        prepare(client);
        EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })), c.error);
        EXPECT_EQ(client.events, (QStringList{"AboutToSend", "Connect", "Disconnect"}));
        EXPECT_FALSE(client.Connected);

        const ProgramRun tool =
            runProgram(QStringLiteral(KESTRELON_GET), {QString::fromLatin1(nginx.url(QStringLiteral("page.html"))),
                                                       QStringLiteral("--cacert"), certs.caFile()});
        EXPECT_EQ(tool.exitCode, 1);
        EXPECT_EQ(show(tool.err), show(QByteArray(c.error) + "\n"));
    }
}

TEST_F(Https, TheSystemStoreAloneDoesNotTrustTheTestCa)
{
    NginxServer nginx;
    startNginx(nginx, TestCertificates::Good);
    RecordingClient client;
    client.HttpsEnabled = true;
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })),
              "Certificate verify failed: unable to get local issuer certificate");
    prepare(client);
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })), "");
    EXPECT_EQ(client.Body, "<html>secure</html>\n");
    client.TrustedCaFile = "/nonexistent/ca.pem";
    EXPECT_TRUE(errorOf([&] {
                    client.Get(nginx.url(QStringLiteral("page.html")));
                }).startsWith("Cannot load CA file /nonexistent/ca.pem: "));
}

TEST_F(Https, PlainHttpServerOnTheHttpsPortFailsTheHandshake)
{
    NginxServer plain;
    plain.writeFile(QStringLiteral("page.html"), "plain");
    ASSERT_TRUE(plain.start()) << plain.error().toStdString();
    RecordingClient client;
    prepare(client);
    QByteArray url = plain.url(QStringLiteral("page.html"));
    url.replace("http://", "https://");
    EXPECT_EQ(show(errorOf([&] { client.Get(url); })), "TLS handshake failed: wrong version number");
}

TEST_F(Https, ServerClosingDuringTheHandshakeIsNamedAlike)
{
    // A plain close and a close_notify alert in place of the server's
    // hello both end the handshake with the same words.
    const QByteArray closeNotify("\x15\x03\x03\x00\x02\x01\x00", 7);
    for (const Script &script :
         {Script{Step::readBytes(1), Step::close()},
          Script{Step::readBytes(1), Step::send(closeNotify), Step::shutdownWrite(), Step::readUntilClose()}}) {
        ScriptedServer server(script);
        RecordingClient client;
        prepare(client);
        EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); })),
                  "TLS handshake failed: the server closed the connection");
    }
}

TEST_F(Https, StalledHandshakeTimesOutWithoutSpendingTheProcessor)
{
    TlsServer server(certs, nullptr, false);
    RecordingClient client;
    prepare(client);
    client.TimeOut = 1500;
    const double cpuBefore = processCpuSeconds();
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); })),
              "TLS Handshake Timed out");
    // Sleeping in the event loop for the whole wait costs a few
    // milliseconds; polling would have burnt the whole 1.5 s.
    EXPECT_LT(processCpuSeconds() - cpuBefore, 0.3);

    RecordingClient canceled;
    prepare(canceled);
    // Cancel while the handshake waits on the silent server.
    canceled.ReportLevel = 8;
    canceled.OnStatus = [&](QObject *, const QByteArray &status) {
        if (status == "Secure Handshake")
            QTimer::singleShot(200, [&] { canceled.Abort(); });
    };
    EXPECT_EQ(show(errorOf([&] { canceled.Get(localUrl(server.port(), "/").replace("http:", "https:")); })),
              "TLS Handshake Canceled");
}

TEST_F(Https, EndWithoutCloseNotifyIsAnErrorUnlessTheAnnouncedBodyArrived)
{
    const QByteArray body = randomBytes(100'000);
    const QByteArray whole =
        "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    TlsServer complete(certs, [&](SSL *ssl, int) {
        readRequest(ssl);
        writeAll(ssl, whole, 16384); // then closes without close_notify
    });
    RecordingClient client;
    prepare(client);
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(complete.port(), "/").replace("http:", "https:")); })), "");
    EXPECT_TRUE(client.Body == body);

    TlsServer cut(certs, [&](SSL *ssl, int) {
        readRequest(ssl);
        writeAll(ssl, whole.left(whole.size() - 5000), 16384);
    });
    RecordingClient cutClient;
    prepare(cutClient);
    EXPECT_EQ(show(errorOf([&] { cutClient.Get(localUrl(cut.port(), "/").replace("http:", "https:")); })),
              "TLS connection ended without close_notify");
    EXPECT_EQ(cutClient.Body.size(), body.size() - 5000);
    EXPECT_TRUE(body.startsWith(cutClient.Body));
}

TEST_F(Https, EndWithoutCloseNotifyUnderALengthBeyondThirtyTwoBitsIsAnError)
{
    const QByteArray body = randomBytes(10'000);
    TlsServer server(certs, [&](SSL *ssl, int) {
        readRequest(ssl);
        writeAll(ssl, "HTTP/1.0 200 OK\r\nContent-Length: 4294967396\r\n\r\n" + body, 16384);
    });
    RecordingClient client;
    prepare(client);
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); })),
              "TLS connection ended without close_notify");
    EXPECT_TRUE(client.Body == body);
}

TEST_F(Https, ResetBehindTheWholeAnnouncedBodyLosesNoDecryptedBytes)
{
    // The reset is there before the body is read, so the socket reports it
    // as soon as its queue is empty, while OpenSSL may still hold the end of
    // the last record (a read that filled the buffer mid-record). Those
    // bytes are the end of the body and must come first. Where the buffer
    // ends in the last record depends on the size: a range of them is run.
    int failed = 0;
    for (qsizetype extra = 0; extra <= 20000; extra += 1000) {
        const QByteArray body = randomBytes(65536 + extra);
        const QByteArray whole =
            "HTTP/1.0 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        TlsServer server(certs, [&](SSL *ssl, int fd) {
            readRequest(ssl);
            writeAll(ssl, whole, 16384);
            // Once the client's kernel has it all, the close resets.
            for (int waited = 0; waited < 10000; ++waited) {
                int queued = 0;
                if (::ioctl(fd, SIOCOUTQ, &queued) != 0 || queued == 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        });
        RecordingClient client;
        prepare(client);
        client.ReportLevel = 8;
        client.OnStatus = [&](QObject *, const QByteArray &status) {
            if (status != "Capture String")
                return;
            pollfd p{client.SocketHandle, 0, 0};
            for (int waited = 0; waited < 100 && !(p.revents & POLLERR); ++waited)
                ::poll(&p, 1, 100);
        };
        const QString error = errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); });
        if (!error.isEmpty() || client.Body != body) {
            ++failed;
            ADD_FAILURE() << "body of " << body.size() << ": error \"" << error.toStdString() << "\", "
                          << client.Body.size() << " bytes arrived";
        }
    }
    EXPECT_EQ(failed, 0);
}

TEST_F(Https, TwentyMegabytesInSmallRecordsArriveWhole)
{
    const QByteArray body = randomBytes(20 << 20);
    TlsServer server(certs, [&](SSL *ssl, int) {
        readRequest(ssl);
        writeAll(ssl, "HTTP/1.0 200 OK\r\n\r\n", 100);
        writeAll(ssl, body, 700);
        SSL_shutdown(ssl);
    });
    RecordingClient client;
    prepare(client);
    client.TimeOut = 60000;
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); })), "");
    EXPECT_EQ(client.Body.size(), body.size());
    EXPECT_TRUE(client.Body == body);
}

TEST_F(Https, RedirectsGoBetweenHttpAndHttps)
{
    NginxServer nginx;
    startNginx(nginx, TestCertificates::Good);
    const QByteArray secure = nginx.url(QStringLiteral("page.html"));
    ScriptedServer plain({Step::readUntil("\r\n\r\n"),
                          Step::send("HTTP/1.0 302 Found\r\nLocation: " + secure + "\r\n\r\n"), Step::close()});
    RecordingClient client;
    prepare(client);
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(plain.port(), "/start")); })), "");
    EXPECT_EQ(client.Body, "<html>secure</html>\n");
    EXPECT_EQ(client.Port, nginx.port());
}

TEST_F(Https, RedirectToAPathWithAColonStaysSecure)
{
    // A plain http server on port 80 must never see the second request.
    std::atomic<int> pass{0};
    QByteArray secondRequest;
    TlsServer server(certs, [&](SSL *ssl, int) {
        const QByteArray request = readRequest(ssl);
        if (!request.contains("\r\n\r\n"))
            return;
        if (pass++ == 0) {
            writeAll(ssl, "HTTP/1.0 302 Found\r\nLocation: /wiki/File:x.png\r\n\r\n", 16384);
        } else {
            secondRequest = request;
            writeAll(ssl, "HTTP/1.0 200 OK\r\n\r\nfile", 16384);
        }
        SSL_shutdown(ssl);
    });
    RecordingClient client;
    prepare(client);
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(server.port(), "/").replace("http:", "https:")); })), "");
    EXPECT_EQ(client.Body, "file");
    EXPECT_EQ(client.Port, server.port());
    EXPECT_TRUE(secondRequest.startsWith("GET /wiki/File:x.png HTTP/1.0\r\n")) << secondRequest.toStdString();
}

TEST_F(Https, NothingLearntOverHttpsGoesToTheSameHostInClear)
{
    ScriptedServer plain({Step::readUntil("\r\n\r\n"), Step::send("HTTP/1.0 200 OK\r\n\r\nplain"), Step::close()});
    const QByteArray target = localUrl(plain.port(), "/x");
    TlsServer secure(certs, [&](SSL *ssl, int) {
        readRequest(ssl);
        writeAll(ssl, "HTTP/1.0 302 Found\r\nSet-Cookie: sid=1\r\nLocation: " + target + "\r\n\r\n", 16384);
        SSL_shutdown(ssl);
    });
    RecordingClient client;
    prepare(client);
    client.HeaderInfo()->UserId = "user";
    client.HeaderInfo()->Password = "pass";
    EXPECT_EQ(show(errorOf([&] { client.Get(localUrl(secure.port(), "/").replace("http:", "https:")); })), "");
    EXPECT_EQ(client.Body, "plain");
    ASSERT_TRUE(plain.waitForScriptEnd(0));
    const QByteArray request = plain.received(0);
    EXPECT_TRUE(request.startsWith("GET /x HTTP/1.0\r\n")) << request.toStdString();
    EXPECT_FALSE(request.contains("Authorization:")) << request.toStdString();
    EXPECT_FALSE(request.contains("Cookie:")) << request.toStdString();
}

TEST_F(Https, OffByDefaultAndNeverThroughAProxy)
{
    RecordingClient client;
    EXPECT_EQ(show(errorOf([&] { client.Get("https://127.0.0.1/"); })), "HTTP Secure Socket is not supported");
    EXPECT_TRUE(client.events.isEmpty());
    prepare(client);
    client.Proxy = "127.0.0.1";
    client.ProxyPort = ScriptedServer::closedPort();
    EXPECT_EQ(show(errorOf([&] { client.Get("https://127.0.0.1/"); })), "HTTPS through a proxy is not supported");
    EXPECT_TRUE(client.events.isEmpty());
}

namespace {

// Sets an environment variable for the test's span, in this process and in
// the tools it starts.
class Variable {
public:
    Variable(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_was(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~Variable()
    {
        if (m_was)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_was;
};

// The user's certificate store is found through HOME.
class HomeFolder : public Variable {
public:
    explicit HomeFolder(const QString &home) : Variable("HOME", QFile::encodeName(home)) {}
};

} // namespace

// The system's certificates are looked up by subject in the hashed folder,
// as each chain needs them, instead of being read whole from the bundle.
TEST_F(Https, TheSystemFolderIsLookedUpByHash)
{
    NginxServer nginx;
    startNginx(nginx, TestCertificates::Good);
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(certs.caFile(), folder.filePath(QStringLiteral("test-ca.pem"))));
    QProcess rehash;
    rehash.start(QStringLiteral("openssl"), {QStringLiteral("rehash"), folder.path()});
    ASSERT_TRUE(rehash.waitForFinished(60000) && rehash.exitCode() == 0);
    const QByteArray oldFolder = qgetenv("SSL_CERT_DIR");
    const QByteArray oldFile = qgetenv("SSL_CERT_FILE");
    const auto restore = qScopeGuard([&] {
        qputenv("SSL_CERT_DIR", oldFolder);
        qputenv("SSL_CERT_FILE", oldFile);
    });
    qputenv("SSL_CERT_DIR", QFile::encodeName(folder.path()));
    qunsetenv("SSL_CERT_FILE");
    RecordingClient client;
    client.HttpsEnabled = true;
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })), "");
    EXPECT_EQ(client.Body, "<html>secure</html>\n");

    // A bundle inside that folder is the folder's own summary and adds
    // nothing; one elsewhere is read.
    QFile::remove(folder.filePath(QStringLiteral("test-ca.pem")));
    for (const QString &link : QDir(folder.path()).entryList(QDir::Files | QDir::System))
        QFile::remove(folder.filePath(link));
    ASSERT_TRUE(QFile::copy(certs.caFile(), folder.filePath(QStringLiteral("bundle.crt"))));
    qputenv("SSL_CERT_FILE", QFile::encodeName(folder.filePath(QStringLiteral("bundle.crt"))));
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })),
              "Certificate verify failed: unable to get local issuer certificate");
    qputenv("SSL_CERT_FILE", QFile::encodeName(certs.caFile()));
    EXPECT_EQ(show(errorOf([&] { client.Get(nginx.url(QStringLiteral("page.html"))); })), "");
}

TEST_F(Https, NamesAreWholeLabelsAndAlternativeNamesOnly)
{
    NginxServer wildcards;
    startNginx(wildcards, TestCertificates::Wildcards);
    NginxServer commonName;
    startNginx(commonName, TestCertificates::CommonNameOnly);
    const struct {
        NginxServer *server;
        const char *name;
        const char *error;
    } cases[] = {
        {&wildcards, "bx.w.test", ""},
        {&wildcards, "BX.W.TEST", ""},
        // A wildcard stands for one whole label, never part of one, never two.
        {&wildcards, "bx.a.test", "Certificate is for another host: *.w.test, b*.a.test"},
        {&wildcards, "a.bx.w.test", "Certificate is for another host: *.w.test, b*.a.test"},
        {&wildcards, "w.test", "Certificate is for another host: *.w.test, b*.a.test"},
        // A common name is no name to check against.
        {&commonName, "localhost",
         "Certificate is for another host: no alternative names, only the common name localhost"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(handshakeError(c.server->port(), c.name, true)), c.error);
    }
}

TEST_F(Https, TheUserStoreIsTrustedLikeThePageTrustsIt)
{
    NginxServer nginx;
    startNginx(nginx, TestCertificates::Good);
    const QString url = QString::fromLatin1(nginx.url(QStringLiteral("page.html")));
    const QString untrusted = QStringLiteral("Certificate verify failed: unable to get local issuer certificate");
    QTemporaryDir trusting, holding, empty;
    ASSERT_TRUE(certs.makeUserStore(trusting.path())) << certs.error().toStdString();
    ASSERT_TRUE(certs.makeUserStore(holding.path(), QStringLiteral(",,"))) << certs.error().toStdString();
    const struct {
        const char *name;
        QString home;
        QString error;
    } cases[] = {
        {"the CA trusted for web sites", trusting.path(), QString()},
        // Held without trust: the store is no list of trusted certificates.
        {"the CA held without trust", holding.path(), untrusted},
        {"no store at all", empty.path(), untrusted},
        // The store read before does not linger once it is gone.
        {"the trusting store again", trusting.path(), QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HomeFolder home(c.home);
        RecordingClient client;
        client.HttpsEnabled = true;
        EXPECT_EQ(show(errorOf([&] { client.Get(url.toLatin1()); })), show(c.error));
        if (c.error.isEmpty()) {
            EXPECT_EQ(client.Body, "<html>secure</html>\n");
        }

        const ProgramRun tool = runProgram(QStringLiteral(KESTRELON_GET), {url});
        EXPECT_EQ(tool.exitCode, c.error.isEmpty() ? 0 : 1);
        EXPECT_EQ(show(tool.err), show(c.error.isEmpty() ? QByteArray() : c.error.toLatin1() + "\n"));
    }
}

// A chain the user's store completes is held to every other check: the
// names asked for, the flags that narrow wildcards and the dates.
TEST_F(Https, ChainsTheUserStoreCompletesAreCheckedLikeAnyOther)
{
    QTemporaryDir trusting;
    ASSERT_TRUE(certs.makeUserStore(trusting.path())) << certs.error().toStdString();
    HomeFolder home(trusting.path());
    NginxServer good, wrongHost, expired, wildcards;
    startNginx(good, TestCertificates::Good);
    startNginx(wrongHost, TestCertificates::WrongHost);
    startNginx(expired, TestCertificates::Expired);
    startNginx(wildcards, TestCertificates::Wildcards);
    const struct {
        NginxServer *server;
        const char *name;
        const char *error;
    } cases[] = {
        {&good, "localhost", ""},
        {&good, "127.0.0.1", ""},
        {&good, "127.0.0.2", "Certificate is for another host: 127.0.0.1, localhost"},
        {&wrongHost, "127.0.0.1", "Certificate is for another host: other.example.test"},
        {&wildcards, "bx.w.test", ""},
        {&wildcards, "bx.a.test", "Certificate is for another host: *.w.test, b*.a.test"},
        {&expired, "127.0.0.1", "Certificate verify failed: certificate has expired"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " on " + std::to_string(c.server->port()));
        EXPECT_EQ(show(handshakeError(c.server->port(), c.name, false)), c.error);
    }
}

// The user's store is opened only for a chain the system's CAs and the
// given file cannot complete; a fetch that never needs it does not load
// the library that reads it.
TEST_F(Https, TheUserStoreIsOpenedOnlyForAChainThatNeedsIt)
{
    NginxServer nginx;
    startNginx(nginx, TestCertificates::Good);
    const QString url = QString::fromLatin1(nginx.url(QStringLiteral("page.html")));
    QTemporaryDir trusting;
    ASSERT_TRUE(certs.makeUserStore(trusting.path())) << certs.error().toStdString();
    HomeFolder home(trusting.path());
    // The loader names each library it maps on standard error.
    Variable loaderLog("LD_DEBUG", "files");
    const ProgramRun trustedByFile =
        runProgram(QStringLiteral(KESTRELON_GET), {url, QStringLiteral("--cacert"), certs.caFile()});
    EXPECT_EQ(trustedByFile.exitCode, 0);
    EXPECT_FALSE(trustedByFile.err.contains("libnss3")) << trustedByFile.err.right(2000).toStdString();
    const ProgramRun trustedByStore = runProgram(QStringLiteral(KESTRELON_GET), {url});
    EXPECT_EQ(trustedByStore.exitCode, 0);
    EXPECT_TRUE(trustedByStore.err.contains("libnss3"));
}
