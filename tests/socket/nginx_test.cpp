#include <QFile>
#include <QTemporaryDir>

#include "socket_fixture.h"
#include "support/core/nginx_server.h"
#include "support/core/temp_folder.h"

using testing_support::NginxServer;

class RealServer : public SocketTest {
protected:
    void SetUp() override
    {
        SocketTest::SetUp();
        nginx = std::make_unique<NginxServer>();
        nginx->writePatternFile("big.bin", kSize);
        ASSERT_TRUE(nginx->start()) << nginx->error().toStdString();
    }
    void TearDown() override
    {
        nginx.reset();
        SocketTest::TearDown();
    }

    // Sends a GET and reads the header block; returns the status line.
    QByteArray request(TestSock &sock, const char *path)
    {
        sock.Host = "127.0.0.1";
        sock.Port = nginx->port();
        sock.TimeOut = 10000;
        sock.Connect();
        QByteArray status;
        sock.Transaction(QByteArray("GET ") + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n", status);
        QByteArray line;
        do {
            sock.ReadLn(line);
            if (line.startsWith("Content-Length: "))
                contentLength = line.mid(16).trimmed().toLongLong();
        } while (line != "\r\n" && !line.isEmpty());
        return status;
    }

    static constexpr qint64 kSize = 20'000'000;
    std::unique_ptr<NginxServer> nginx;
    qint64 contentLength = -1;
};

TEST_F(RealServer, CaptureFileOfALargeBody)
{
    testing_support::TempCurrentFolder folder;
    TestSock sock;
    EXPECT_EQ(request(sock, "/big.bin"), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(sock.ReplyNumber, 0); // "HTTP/..." has no leading number
    EXPECT_EQ(contentLength, kSize);
    int packets = 0;
    sock.OnPacketRecvd = [&](QObject *) { ++packets; };
    sock.CaptureFile("body.bin");
    EXPECT_EQ(sock.BytesRecvd, kSize);
    EXPECT_GE(packets, int(kSize / TPowersock::IOBufferSize));
    QFile f(folder.file("body.bin"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ASSERT_EQ(f.size(), kSize);
    for (qint64 offset = 0; offset < kSize; offset += 1 << 20) {
        const QByteArray got = f.read(1 << 20);
        ASSERT_TRUE(got == NginxServer::pattern(offset, got.size())) << "at " << offset;
    }
}

TEST_F(RealServer, CaptureStringOfALargeBodyAndOfANotFoundPage)
{
    TestSock sock;
    request(sock, "/big.bin");
    QByteArray body;
    sock.CaptureString(body, -1);
    ASSERT_EQ(body.size(), kSize);
    EXPECT_TRUE(body == NginxServer::pattern(0, kSize));
    sock.Disconnect();

    EXPECT_EQ(request(sock, "/missing.html"), "HTTP/1.1 404 Not Found\r\n");
    sock.CaptureString(body, -1);
    EXPECT_EQ(body.size(), contentLength);
    EXPECT_TRUE(body.contains("404"));
}
