#pragma once

// The HTTP/1.0 client TNMHTTP, with the two encoders it uses (url_encoder.h
// for Post data, uu_processor.h for Basic credentials). Start here, then read
// http_client.cpp top to bottom: one request operation runs RunRequest, whose
// passes each parse the address (address.h), build the header lines, connect,
// send, read the response header (response_fields.h) and capture the body.

#include "socket/powersock.h"

#include <QByteArray>
#include <memory>

// Request kinds; the value is what OnSuccess and OnFailure receive.
enum class CmdType : quint8 {
    Get = 0,
    Options = 1,
    Head = 2,
    Post = 3,
    Put = 4,
    Patch = 5,
    Copy = 6,
    Move = 7,
    Delete = 8,
    Link = 9,
    Unlink = 10,
    Trace = 11,
    SendHeaderAndData = 12,
};

using TResultEvent = std::function<void(CmdType Cmd)>;

// Values for the optional request header lines; an empty value sends no line.
struct THeaderInfo {
    QByteArray LocalMailAddress; // "From: "
    QByteArray LocalProgram;     // "User-Agent: "
    QByteArray Cookie;
    QByteArray Referer;
    QByteArray UserId;   // with Password: "Authorization: Basic ..."
    QByteArray Password;
};

// One request operation (Get, Post, ...) runs a whole exchange before it
// returns, redirects included; its events arrive during the call, in this
// order for each pass: OnAboutToSend; the connection's events; OnPacketSent
// (data sent from a file); OnPacketRecvd per body chunk; OnSuccess or
// OnFailure; the "Transaction Completed" status; OnDisconnect; OnRedirect;
// OnAuthenticationNeeded.
//
// The component is idle between requests and in one request otherwise; a
// request operation called while one runs (from a handler inside a wait) is
// refused. Each pass uses a connection of its own. An HTTP error status is
// reported by OnFailure, not thrown; network and input errors are thrown
// after the connection is closed.
class TNMHTTP : public TPowersock {
public:
    // Passes of one request: the first and up to 19 redirects. A chain this
    // long is a loop or a misconfigured server, not a page worth waiting for.
    static constexpr int MaxPasses = 20;
    // Bytes of one response header block, status line and closing empty line
    // included. A server that keeps sending header lines would otherwise
    // fill memory; real header blocks are a few kilobytes, and one line may
    // already be MaxLineLength long.
    static constexpr qint64 MaxHeaderSize = 2 * MaxLineLength;

    explicit TNMHTTP(QObject *owner = nullptr);
    ~TNMHTTP() override;

    // What the owner sets before a request, and the events a request reports.
    QByteArray Body = "Default.htm";  // the body, or its file's name in InputFileMode
    QByteArray Header = "Head.txt";   // the header block, or its file's name in OutputFileMode
    bool InputFileMode = false;       // the body goes to the file named by Body
    bool OutputFileMode = false;      // SendData names a file to send; the header goes to a file
    TNotifyEvent OnAboutToSend;       // header lines built, not yet connected
    TResultEvent OnSuccess;           // status below 299 (0 included)
    TResultEvent OnFailure;           // status above 399
    THandlerEvent OnRedirect;         // status 300 to 398; Handled stops the request
    TNotifyEvent OnAuthenticationNeeded; // status 401
    // https addresses: refused with "HTTP Secure Socket is not supported"
    // while false, exactly as without TLS. While true they are fetched over
    // TLS (port 443 unless the address names one; the certificate checked
    // against the system's CAs, the user's trusted CAs and TrustedCaFile,
    // and for the host), and redirects between http and https are followed.
    // Never through a proxy.
    bool HttpsEnabled = false;

    // The values for optional header lines. The component owns the instance
    // it starts with; assigning another one makes the component use it (not
    // a copy) and leaves it owned by whoever made it.
    THeaderInfo *HeaderInfo() const { return m_headerInfo; }
    void SetHeaderInfo(THeaderInfo *info);

    // State of the current (or last) request.
    QByteArray Path;          // sent in the request line when there is no proxy
    TExStringList HeaderLines; // request and header lines, without line ends
    QByteArray Location;       // the last "Location: " value received, in any response
    QByteArray CookieReceived; // the last "Set-Cookie: " value of the last response
    bool EncodeData = true;    // Post URL-encodes its data
    QByteArray SendData;       // request data, or in OutputFileMode the file to send
    QByteArray ExtraHeader;    // value of the "URI-header: " or "Link: " line
    QByteArray URL;            // the address of the current pass
    CmdType CurrentCmd = CmdType::Get;

    // Sets WaitDone and cancels: the running wait (a look-up included) ends
    // at once with its abort error.
    void Abort() override;

    virtual void RunRequest();
    virtual void ParseAddress();
    virtual void BuildRequestHeader();
    virtual void ReadResponseHeader();
    virtual void SendRequest();

    virtual void Options(const QByteArray &address);
    virtual void Get(const QByteArray &address);
    virtual void Post(const QByteArray &address, const QByteArray &data);
    virtual void Put(const QByteArray &address, const QByteArray &data);
    virtual void Head(const QByteArray &address);
    virtual void Patch(const QByteArray &address, const QByteArray &data);
    virtual void Delete(const QByteArray &address);
    virtual void Trace(const QByteArray &address, const QByteArray &data);
    virtual void Copy(const QByteArray &address, const QByteArray &destination);
    virtual void Move(const QByteArray &address, const QByteArray &destination);
    virtual void Link(const QByteArray &address, const QByteArray &linkValue);
    virtual void Unlink(const QByteArray &address, const QByteArray &linkValue);
    virtual void SendHeaderAndData(const QByteArray &address, const QByteArray &data);

private:
    // Stores nothing and throws unless the component is idle; then runs
    // `store` and RunRequest as one request.
    void Request(CmdType cmd, const std::function<void()> &store);
    // Sends bytes whole, NUL bytes and any length included.
    void SendText(const QByteArray &bytes);
    // Raises "Connection closed after N of M bytes" when the body that just
    // ended is shorter than its Content-Length and the reply has a body.
    void RefuseCutBody(int status) const;
    bool SendsCookie() const;
    bool SendsAuthorization() const;
    QByteArray CredentialsText() const;

    std::unique_ptr<THeaderInfo> m_ownHeaderInfo;
    THeaderInfo *m_headerInfo = nullptr;
    bool m_requestRunning = false; // a request operation is running
    bool m_loopRunning = false;    // RunRequest is running (it may be called directly)
    bool m_firstPass = true;       // the pass running is the request's first
    bool m_secure = false;         // the current address is https
    qint64 m_announcedLength = -1; // "Content-Length: " of the response being read

    // Where credentials and a taken-over cookie may go. The Authorization
    // line goes only to the host the request was made to; a cookie taken
    // over from a redirect only back to the host that set it (an empty host:
    // the caller's cookie, sent everywhere). What came over https never goes
    // out in clear, not even to the same host.
    QByteArray m_requestHost;
    bool m_requestSecure = false;
    QByteArray m_redirectCookie;
    QByteArray m_redirectCookieHost;
    bool m_redirectCookieSecure = false;
};
