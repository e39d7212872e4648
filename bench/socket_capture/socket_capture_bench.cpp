// socket_capture_bench PORT PATH string|file [OUT]
// Fetches http://127.0.0.1:PORT/PATH with an HTTP/1.0 GET written by hand,
// reads the header lines with ReadLn and the body with CaptureString or
// CaptureFile (into OUT). Prints the body size and the wall time.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

#include "socket/powersock.h"

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PORT PATH string|file [OUT]\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const bool toFile = std::strcmp(argv[3], "file") == 0;
    QElapsedTimer clock;
    clock.start();
    try {
        TPowersock sock;
        sock.Host = "127.0.0.1";
        sock.Port = std::atoi(argv[1]);
        sock.TimeOut = 30000;
        sock.Connect();
        sock.Writeln(QByteArray("GET /") + argv[2] + " HTTP/1.0\r\nHost: 127.0.0.1\r\n");
        QByteArray line;
        do
            sock.ReadLn(line);
        while (line != "\r\n" && !line.isEmpty());
        qint64 size;
        if (toFile) {
            sock.CaptureFile(QString::fromLocal8Bit(argc > 4 ? argv[4] : "capture.out"));
            size = sock.BytesRecvd;
        } else {
            QByteArray body;
            sock.CaptureString(body, -1);
            size = body.size();
        }
        std::printf("%s %lld bytes in %.3f s\n", toFile ? "CaptureFile" : "CaptureString", size,
                    clock.elapsed() / 1000.0);
    } catch (const Exception &e) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
