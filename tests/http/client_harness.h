#pragma once

// What the client tests share: a component wired to record its events, the
// fixed lines every request carries, and a way to run an operation and keep
// its error text.

#include "http/http_client.h"
#include "support/core/error_text.h"
#include "support/core/scripted_server.h"

#include <QStringList>
#include <functional>

#include <string>

// Readable texts for comparisons, so that failures show what differs.
inline std::string show(const QByteArray &bytes)
{
    std::string out;
    for (const char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            out += "\\x" + QByteArray(1, c).toHex().toStdString();
        else
            out += c;
    }
    return out;
}
inline std::string show(const QString &text)
{
    return text.toStdString();
}
inline std::string show(const QStringList &list)
{
    return "{" + list.join(", ").toStdString() + "}";
}

namespace http_testing {

inline const QByteArray kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
inline const QByteArray kContentType = "Content-type: application/x-www-form-urlencoded\r\n";

// The lines of a request without header info, for `requestLine` and `host`.
inline QByteArray plainRequest(const QByteArray &requestLine, const QByteArray &host = "127.0.0.1")
{
    return requestLine + "\r\nHost: " + host + "\r\n" + kAccept + kContentType + "\r\n";
}

// A client whose events are written into `events` as short names. Runs of
// chunk events count as one entry, since chunking depends on timing.
class RecordingClient : public TNMHTTP {
public:
    RecordingClient()
    {
        TimeOut = 5000; // every test case ends, whatever the server does
        ReportLevel = 2;
        OnAboutToSend = [this](QObject *) { add("AboutToSend"); };
        OnConnect = [this](QObject *) { add("Connect"); };
        OnConnectionFailed = [this](QObject *) { add("ConnectionFailed"); };
        OnPacketSent = [this](QObject *) { add("PacketSent"); };
        OnPacketRecvd = [this](QObject *) {
            add("PacketRecvd");
            if (onChunk)
                onChunk();
        };
        OnSuccess = [this](CmdType cmd) { add(QStringLiteral("Success(%1)").arg(int(cmd))); };
        OnFailure = [this](CmdType cmd) { add(QStringLiteral("Failure(%1)").arg(int(cmd))); };
        OnStatus = [this](QObject *, QByteArray text) { add("Status:" + QString::fromLatin1(text)); };
        OnDisconnect = [this](QObject *) { add("Disconnect"); };
        OnRedirect = [this](bool &handled) {
            add("Redirect");
            handled = stopAtRedirect;
        };
        OnAuthenticationNeeded = [this](QObject *) { add("AuthNeeded"); };
    }

    QStringList events;
    bool stopAtRedirect = false;
    std::function<void()> onChunk;

private:
    void add(const QString &name)
    {
        if (name.endsWith("Recvd") || name.endsWith("Sent")) {
            if (!events.isEmpty() && events.last() == name)
                return;
        }
        events << name;
    }
};

// The error text of `operation`, or "" when it raised none.
using testing_support::errorOf;

inline QByteArray localUrl(quint16 port, const QByteArray &path = "/", const QByteArray &host = "127.0.0.1")
{
    return "http://" + host + ":" + QByteArray::number(port) + path;
}

// A script that reads the whole request (`requestSize` bytes), sends
// `reply`, ends its side and records anything more until the client closes.
inline testing_support::Script replyScript(qsizetype requestSize, const QByteArray &reply)
{
    using testing_support::Step;
    return {Step::readBytes(requestSize), Step::send(reply), Step::shutdownWrite(), Step::readUntilClose()};
}

} // namespace http_testing
