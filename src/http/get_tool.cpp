// kestrelon-get URL [-o FILE] [-i] [-A TEXT] [-t SECONDS] [--cacert FILE]
//
// Runs one Get with the program's HTTP client and writes the body to FILE or
// to standard output; -i writes the received header block first, -A sends
// TEXT as the User-Agent. A server that stays silent for a minute (or for
// SECONDS given with -t) ends the request. A failed request exits with 1 and its error text
// on standard error; bad arguments exit with 2. Nothing else is printed, so
// scripts can drive it. An HTTP error status is no failure: its page is the
// body; a body cut short of its Content-Length is a failure, with every
// byte that came written out. https addresses are fetched over TLS, the
// server's certificate checked against the system's CAs, the CAs the user
// trusts in their own certificate store and those in the --cacert FILE.

#include "http/http_client.h"
#include "toolkit/core/exceptions.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A server silent for this long is taken as gone. Each wait restarts it (the
// body's after every chunk), so it bounds stalls, not long downloads.
constexpr qint32 kStallTimeOutMs = 60000;
// The longest stall -t accepts: the socket layer counts milliseconds in 32 bits.
constexpr int kMaxStallSeconds = 86400;

constexpr char kUsage[] = "usage: kestrelon-get URL [-o FILE] [-i] [-A TEXT] [-t SECONDS] [--cacert FILE]\n"
                          "  -o FILE         write the body to FILE instead of standard output\n"
                          "  -i              write the response header block before the body\n"
                          "  -A TEXT         send TEXT as the User-Agent\n"
                          "  -t SECONDS      give up when the server is silent this long (default 60)\n"
                          "  --cacert FILE   also trust the CA certificates in FILE (PEM) for https\n";

struct Arguments {
    QByteArray url;
    QByteArray outputFile; // empty: standard output
    bool includeHeader = false;
    QByteArray userAgent;
    QString caFile; // extra trusted CA certificates for https
    qint32 stallTimeOutMs = kStallTimeOutMs;
};

bool parseArguments(int argc, char **argv, Arguments &args)
{
    bool haveUrl = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if ((arg == "-o" || arg == "-A") && i + 1 < argc) {
            (arg == "-o" ? args.outputFile : args.userAgent) = argv[++i];
        } else if (arg == "--cacert" && i + 1 < argc) {
            args.caFile = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "-t" && i + 1 < argc) {
            bool ok = false;
            const int seconds = QByteArray(argv[++i]).toInt(&ok);
            if (!ok || seconds < 1 || seconds > kMaxStallSeconds)
                return false;
            args.stallTimeOutMs = seconds * 1000;
        } else if (arg == "-i") {
            args.includeHeader = true;
        } else if (!arg.startsWith('-') && !haveUrl) {
            args.url = arg;
            haveUrl = true;
        } else {
            return false;
        }
    }
    return haveUrl;
}

// The destination, opened when the first byte is written so that a request
// that fails at once leaves no empty file behind.
class Output {
public:
    explicit Output(QByteArray fileName) : m_fileName(std::move(fileName)) {}
    ~Output()
    {
        if (m_fd > STDOUT_FILENO)
            ::close(m_fd);
    }

    // Returns an error text, empty on success.
    QString write(const QByteArray &bytes)
    {
        if (m_fd < 0) {
            m_fd = m_fileName.isEmpty() ? STDOUT_FILENO
                                        : ::open(m_fileName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (m_fd < 0)
                return QStringLiteral("Cannot create file %1: %2")
                    .arg(QString::fromLocal8Bit(m_fileName), QString::fromLocal8Bit(std::strerror(errno)));
        }
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return QStringLiteral("Write error: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            done += n;
        }
        return {};
    }

private:
    QByteArray m_fileName;
    int m_fd = -1;
};

// A response after which the client makes another pass: its body is not
// the one asked for.
bool passWillRepeat(int status)
{
    return status >= 299 && status <= 399;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (!parseArguments(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    Output output(args.outputFile);
    QString writeError;
    bool headerWritten = false;
    TNMHTTP http;
    http.TimeOut = args.stallTimeOutMs;
    http.HeaderInfo()->LocalProgram = args.userAgent;
    http.HttpsEnabled = true;
    http.TrustedCaFile = args.caFile;

    const auto put = [&](const QByteArray &bytes) {
        if (writeError.isEmpty())
            writeError = output.write(bytes);
    };
    const auto putHeaderOnce = [&] {
        if (args.includeHeader && !headerWritten)
            put(http.Header);
        headerWritten = true;
    };
    // Bodies can be far larger than memory: each chunk is passed on as it
    // arrives and dropped from Body, whose buffer is reused for the next.
    http.OnPacketRecvd = [&](QObject *) {
        if (passWillRepeat(http.ReplyNumber))
            return;
        putHeaderOnce();
        put(http.Body);
        http.Body.truncate(0);
        if (!writeError.isEmpty())
            http.Abort();
    };

    try {
        http.Get(args.url);
        putHeaderOnce();
        put(http.Body);
    } catch (const Exception &e) {
        const QString text = writeError.isEmpty() ? e.message() : writeError;
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return 1;
    }
    if (!writeError.isEmpty()) {
        std::fprintf(stderr, "%s\n", writeError.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
