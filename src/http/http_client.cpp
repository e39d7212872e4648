#include "http/http_client.h"

#include "http/address.h"
#include "http/response_fields.h"
#include "http/url_encoder.h"
#include "http/uu_processor.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/paths.h"

#include <QFile>
#include <QScopedValueRollback>
#include <optional>
#include <utility>

namespace {

// How each request kind is sent.
struct CommandRule {
    CmdType cmd;
    const char *methodWord;
    bool sendsData;         // "Content-Length: " line, then SendData after the header block
    const char *extraLine;  // name of the line that carries ExtraHeader, or nullptr
};

// SendHeaderAndData carries data like Post, and a request without a request
// line is no request at all, so it is sent as a POST.
constexpr CommandRule kCommandRules[] = {
    {CmdType::Get, "GET ", false, nullptr},
    {CmdType::Options, "OPTIONS ", false, nullptr},
    {CmdType::Head, "HEAD ", false, nullptr},
    {CmdType::Post, "POST ", true, nullptr},
    {CmdType::Put, "PUT ", true, nullptr},
    {CmdType::Patch, "PATCH ", true, nullptr},
    {CmdType::Copy, "COPY ", false, "URI-header: "},
    {CmdType::Move, "MOVE ", false, "URI-header: "},
    {CmdType::Delete, "DELETE ", false, nullptr},
    {CmdType::Link, "LINK ", false, "Link: "},
    {CmdType::Unlink, "UNLINK ", false, "Link: "},
    {CmdType::Trace, "TRACE ", true, nullptr},
    {CmdType::SendHeaderAndData, "POST ", true, nullptr},
};

const CommandRule &ruleFor(CmdType cmd)
{
    return kCommandRules[static_cast<int>(cmd)];
}

constexpr QByteArrayView kAccept1 = "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff";
constexpr QByteArrayView kAccept2 = "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript";
constexpr QByteArrayView kContentType = "Content-type: application/x-www-form-urlencoded";

bool sameHost(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString fileName(const QByteArray &name)
{
    return toolkit::resolvePath(toolkit::fromSingleByte(name));
}

qint64 fileSize(const QByteArray &name)
{
    QFile file(fileName(name));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file %1").arg(toolkit::fromSingleByte(name)));
    return file.size();
}

} // namespace

TNMHTTP::TNMHTTP(QObject *owner)
    : TPowersock(owner), m_ownHeaderInfo(std::make_unique<THeaderInfo>()),
      m_headerInfo(m_ownHeaderInfo.get())
{
    static_assert(std::size(kCommandRules) == 13);
}

TNMHTTP::~TNMHTTP() = default;

void TNMHTTP::SetHeaderInfo(THeaderInfo *info)
{
    m_headerInfo = info ? info : m_ownHeaderInfo.get();
}

void TNMHTTP::Abort()
{
    WaitDone = true;
    Cancel();
}

// ---- request operations -------------------------------------------------

void TNMHTTP::Request(CmdType cmd, const std::function<void()> &store)
{
    // A handler running inside one of this request's waits must not start
    // another one on the same connection and fields.
    if (m_requestRunning)
        throw Exception(QStringLiteral("Request already in progress"));
    QScopedValueRollback running(m_requestRunning, true);
    store();
    CurrentCmd = cmd;
    RunRequest();
}

void TNMHTTP::Get(const QByteArray &address)
{
    Request(CmdType::Get, [&] { URL = address; });
}

void TNMHTTP::Options(const QByteArray &address)
{
    Request(CmdType::Options, [&] { URL = address; });
}

void TNMHTTP::Head(const QByteArray &address)
{
    Request(CmdType::Head, [&] { URL = address; });
}

void TNMHTTP::Delete(const QByteArray &address)
{
    Request(CmdType::Delete, [&] { URL = address; });
}

void TNMHTTP::Post(const QByteArray &address, const QByteArray &data)
{
    Request(CmdType::Post, [&] {
        URL = address;
        if (EncodeData && !OutputFileMode) {
            TNMURL encoder(this);
            encoder.InputString = data;
            SendData = encoder.EncodedString();
        } else {
            SendData = data;
        }
    });
}

void TNMHTTP::Put(const QByteArray &address, const QByteArray &data)
{
    Request(CmdType::Put, [&] { URL = address, SendData = data; });
}

void TNMHTTP::Patch(const QByteArray &address, const QByteArray &data)
{
    Request(CmdType::Patch, [&] { URL = address, SendData = data; });
}

void TNMHTTP::Trace(const QByteArray &address, const QByteArray &data)
{
    Request(CmdType::Trace, [&] { URL = address, SendData = data; });
}

void TNMHTTP::SendHeaderAndData(const QByteArray &address, const QByteArray &data)
{
    Request(CmdType::SendHeaderAndData, [&] { URL = address, SendData = data; });
}

void TNMHTTP::Copy(const QByteArray &address, const QByteArray &destination)
{
    Request(CmdType::Copy, [&] { URL = address, ExtraHeader = destination; });
}

void TNMHTTP::Move(const QByteArray &address, const QByteArray &destination)
{
    Request(CmdType::Move, [&] { URL = address, ExtraHeader = destination; });
}

// Link and Unlink carry no body, so they announce none either.
void TNMHTTP::Link(const QByteArray &address, const QByteArray &linkValue)
{
    Request(CmdType::Link, [&] { URL = address, ExtraHeader = linkValue, SendData = "Send.dat"; });
}

void TNMHTTP::Unlink(const QByteArray &address, const QByteArray &linkValue)
{
    Request(CmdType::Unlink, [&] { URL = address, ExtraHeader = linkValue, SendData = "Send.dat"; });
}

// ---- the request loop ---------------------------------------------------

namespace {

// Statuses whose Location the next pass follows.
bool followsLocation(int status)
{
    return (status >= 300 && status <= 303) || status == 307 || status == 308;
}

} // namespace

void TNMHTTP::RunRequest()
{
    if (m_loopRunning)
        throw Exception(QStringLiteral("Request already in progress"));
    QScopedValueRollback loopRunning(m_loopRunning, true);
    QScopedValueRollback requestHost(m_requestHost);
    QScopedValueRollback requestSecure(m_requestSecure);
    QScopedValueRollback firstPass(m_firstPass, true);
    for (int pass = 1;; ++pass) {
        m_firstPass = pass == 1;
        ParseAddress();
        // Credentials go only to the host the first pass named itself; a
        // path-only first address names none, so no later pass gets them.
        if (pass == 1) {
            m_requestHost = http::namesHost(URL) ? Host : QByteArray();
            m_requestSecure = m_secure;
        }
        if (m_secure && !Proxy.isEmpty())
            throw Exception(QStringLiteral("HTTPS through a proxy is not supported"));
        BuildRequestHeader();
        if (OnAboutToSend)
            OnAboutToSend(this);
        const http::Address passAddress{URL, Path, Host, Port, m_secure};

        // When the server's close is noticed while the body is read, the
        // socket layer closes at once and reports it; the pass reports its
        // one disconnect after its result events, when it closes for good.
        TNotifyEvent onDisconnect = std::exchange(OnDisconnect, nullptr);
        const auto restoreOnDisconnect = [&] {
            if (!OnDisconnect) // unless a handler set a new one meanwhile
                OnDisconnect = std::move(onDisconnect);
        };
        try {
            Connect();
            if (m_secure)
                SecureHandshake(Host);
            SendRequest();
            ReplyNumber = 0;
            ReadResponseHeader();
            QScopedValueRollback completeLength(CompleteLength, m_announcedLength);
            if (InputFileMode)
                CaptureFile(fileName(Body));
            else
                CaptureString(Body, -1);

            const int status = ReplyNumber;
            // What arrived stays in Body (or its file) for the caller; only
            // the pass does not count as a whole reply.
            if (!followsLocation(status))
                RefuseCutBody(status);
            if (status <= 298) {
                if (OnSuccess)
                    OnSuccess(CurrentCmd);
                StatusMessage(2, "Transaction Completed");
            } else if (status >= 400) {
                if (OnFailure)
                    OnFailure(CurrentCmd);
            } else if (followsLocation(status)) {
                URL = Location;
            }
        } catch (...) {
            // The pass's own error is what the caller needs to see, not a
            // second one from closing the connection behind it.
            restoreOnDisconnect();
            try {
                Disconnect();
            } catch (...) {
            }
            throw;
        }
        restoreOnDisconnect();
        Disconnect();

        const int status = ReplyNumber;
        if (status >= 300 && status <= 398) {
            if (!CookieReceived.isEmpty()) {
                m_headerInfo->Cookie = CookieReceived;
                m_redirectCookie = CookieReceived;
                m_redirectCookieHost = Host;
                m_redirectCookieSecure = m_secure;
            }
            bool handled = false;
            if (OnRedirect)
                OnRedirect(handled);
            if (handled)
                return;
            // Relative references resolve against this pass's address. A
            // bare name ("page.html") goes under the current host, on its
            // current port: a server on a port other than 80 that redirects
            // to a name of its own means itself, not port 80 of its host.
            if (followsLocation(status) || !URL.contains('/'))
                URL = http::resolveRedirect(URL, passAddress);
            // "See other": the answer is fetched, not the request repeated.
            if (status == 303 && CurrentCmd != CmdType::Head)
                CurrentCmd = CmdType::Get;
        }
        if (status == 401 && OnAuthenticationNeeded)
            OnAuthenticationNeeded(this);
        if (status < 299 || status > 399)
            return;
        if (pass == MaxPasses)
            throw Exception(QStringLiteral("Too many redirects"));
    }
}

void TNMHTTP::ParseAddress()
{
    http::Address address{URL, Path, Host, Port, m_secure};
    http::parseAddress(address, HttpsEnabled);
    URL = address.url;
    Path = address.path;
    Host = address.host;
    Port = address.port;
    m_secure = address.secure && HttpsEnabled;
}

// ---- the request --------------------------------------------------------

bool TNMHTTP::SendsCookie() const
{
    const QByteArray &cookie = m_headerInfo->Cookie;
    if (cookie.isEmpty())
        return false;
    if (cookie != m_redirectCookie)
        return true;
    return sameHost(Host, m_redirectCookieHost) && (m_secure || !m_redirectCookieSecure);
}

bool TNMHTTP::SendsAuthorization() const
{
    if (m_headerInfo->UserId.isEmpty() || m_headerInfo->Password.isEmpty())
        return false;
    if (m_firstPass)
        return true;
    return !m_requestHost.isEmpty() && sameHost(Host, m_requestHost) && (m_secure || !m_requestSecure);
}

// The encoder breaks its output after every 45 input bytes; the header line
// needs the whole value on one line.
QByteArray TNMHTTP::CredentialsText() const
{
    return mimeEncodeLines(m_headerInfo->UserId + ":" + m_headerInfo->Password).replace("\r\n", "");
}

void TNMHTTP::BuildRequestHeader()
{
    const CommandRule &rule = ruleFor(CurrentCmd);
    HeaderLines.Clear();
    // A blank or a control byte of the address would split the request
    // line; the address itself is left as the caller gave it.
    HeaderLines.Add(rule.methodWord + http::requestSafe(Proxy.isEmpty() ? Path : URL) + " HTTP/1.0");
    if (!Proxy.isEmpty()) {
        HeaderLines.Add("Proxy-Connection: Keep-Alive");
        HeaderLines.Add("Host: " + Host);
    }
    HeaderLines.SetHeader("Host", Host);
    HeaderLines.Add(kAccept1.toByteArray());
    HeaderLines.Add(kAccept2.toByteArray());
    HeaderLines.SetHeader("User-Agent", m_headerInfo->LocalProgram);
    HeaderLines.SetHeader("From", m_headerInfo->LocalMailAddress);
    if (SendsCookie())
        HeaderLines.SetHeader("Cookie", m_headerInfo->Cookie);
    HeaderLines.SetHeader("Referer", m_headerInfo->Referer);
    if (SendsAuthorization())
        HeaderLines.SetHeader("Authorization", "Basic " + CredentialsText());
    HeaderLines.Add(kContentType.toByteArray());
    if (rule.extraLine)
        HeaderLines.Add(rule.extraLine + ExtraHeader);
    if (rule.sendsData) {
        const qint64 length = OutputFileMode ? fileSize(SendData) : SendData.size();
        HeaderLines.Add("Content-Length: " + QByteArray::number(length));
    }
}

void TNMHTTP::SendText(const QByteArray &bytes)
{
    if (bytes.size() < IOBufferSize && !bytes.contains('\0')) {
        Write(bytes);
        return;
    }
    // Write stops at a NUL byte and takes less than 64 KB; what was
    // announced must arrive whole, so such text goes in explicit pieces.
    constexpr qsizetype kPiece = 65535;
    for (qsizetype offset = 0; offset < bytes.size(); offset += kPiece)
        SendBuffer(bytes.constData() + offset, quint16(qMin(kPiece, bytes.size() - offset)));
}

void TNMHTTP::SendRequest()
{
    // The header block and its closing CR LF leave as one segment: a server
    // that answers after its first read and closes would otherwise find the
    // CR LF unread and reset the connection under its own reply.
    HoldSends(true);
    SendText(HeaderLines.Text());
    Writeln(QByteArray());
    if (ruleFor(CurrentCmd).sendsData) {
        if (OutputFileMode)
            SendFile(fileName(SendData));
        else
            SendText(SendData);
    }
    HoldSends(false);
}

// ---- the response -------------------------------------------------------

namespace {

// Replies that carry no body whatever their Content-Length says.
bool hasNoBody(CmdType cmd, int status)
{
    return cmd == CmdType::Head || status == 204 || status == 304 || (status >= 100 && status <= 199);
}

} // namespace

void TNMHTTP::RefuseCutBody(int status) const
{
    if (m_announcedLength < 0 || CapturedLength >= m_announcedLength || hasNoBody(CurrentCmd, status))
        return;
    throw ESockError(QStringLiteral("Connection closed after %1 of %2 bytes")
                         .arg(CapturedLength)
                         .arg(m_announcedLength));
}

void TNMHTTP::ReadResponseHeader()
{
    BytesTotal = 0;
    CookieReceived.clear();

    std::optional<QFile> file;
    if (OutputFileMode) {
        file.emplace(fileName(Header));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw EFCreateError(QStringLiteral("Cannot create file %1").arg(toolkit::fromSingleByte(Header)));
    } else {
        Header.clear();
    }
    qint64 headerSize = 0;
    const auto keep = [&](const QByteArray &line) {
        headerSize += line.size();
        if (headerSize > MaxHeaderSize)
            throw Exception(QStringLiteral("Response header too large"));
        if (!file)
            Header += line;
        else if (file->write(line) != line.size())
            throw EWriteError();
    };

    // Interim replies (100 Continue, 103 Early Hints, ...) come before the
    // real one: each header block is read and dropped, and the next status
    // line starts again. They count towards MaxHeaderSize, so a server that
    // sends them without end is refused like an endless header.
    const QString closedAfterInterim =
        QStringLiteral("Connection closed after an interim reply, before the reply itself");
    QByteArray line;
    for (bool afterInterim = false;; afterInterim = true) {
        ReadLn(line);
        if (line.isEmpty() && afterInterim)
            throw ESockError(closedAfterInterim);
        if (!line.isEmpty()) {
            ReplyNumber = http::statusNumber(line);
            keep(line);
        }
        http::ResponseFields fields{CookieReceived, Location, BytesTotal};
        m_announcedLength = -1;
        while (!line.isEmpty()) { // empty: the server closed before any line
            ReadLn(line);
            http::takeHeaderLine(line, fields);
            CookieReceived = fields.cookieReceived;
            Location = fields.location;
            BytesTotal = fields.bytesTotal;
            m_announcedLength = fields.announcedLength;
            keep(line);
            if (http::endsHeaderBlock(line))
                break;
        }
        const bool interim = ReplyNumber >= 100 && ReplyNumber <= 199;
        if (interim && line.isEmpty())
            throw ESockError(closedAfterInterim);
        if (!interim)
            return;
        ReplyNumber = 0;
        BytesTotal = 0;
        CookieReceived.clear();
        if (file) {
            file->resize(0);
            file->seek(0);
        } else {
            Header.clear();
        }
    }
}
