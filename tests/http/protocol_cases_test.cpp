// Request and response cases as data: what the client must send, byte for
// byte, and what it makes of a canned reply. Each case with one connection
// also runs with the reply trickled byte by byte and split at every byte
// boundary, since a reply may arrive in any number of pieces.

#include "client_harness.h"

#include <QScopeGuard>
#include <atomic>

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::Script;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

struct Exchange {
    QByteArray request; // exact bytes; %PORT% is the server's port
    QByteArray reply;
};

struct ProtocolCase {
    const char *name;
    std::function<void(RecordingClient &, quint16 port)> run;
    std::vector<Exchange> exchanges;
    int status;
    QByteArray body; // the tail of the last reply; the rest of it is the header
    QStringList events;
    QString error = {};     // the error the operation ends with
    int connections = 0;    // when more than exchanges (the last one repeats)
    std::function<void(RecordingClient &)> check = {};
    qsizetype interim = 0; // leading bytes of the last reply that are interim replies, in no field
};

void PrintTo(const ProtocolCase &c, std::ostream *os)
{
    *os << c.name;
}

QByteArray withPort(QByteArray text, quint16 port)
{
    return text.replace("%PORT%", QByteArray::number(port));
}

std::function<void(RecordingClient &, quint16)> getting(QByteArray path)
{
    return [path](RecordingClient &c, quint16 port) { c.Get(localUrl(port, path)); };
}

QStringList onePassOk(int cmd)
{
    return {"AboutToSend", "Connect", "PacketRecvd", QStringLiteral("Success(%1)").arg(cmd),
            "Status:Transaction Completed", "Disconnect"};
}
const QStringList kOnePassOk = onePassOk(0);
const QStringList kRedirectPass = {"AboutToSend", "Connect", "PacketRecvd", "Disconnect", "Redirect"};
const QStringList kRedirectWithoutBody = {"AboutToSend", "Connect", "Disconnect", "Redirect"};

const QByteArray kOk = "HTTP/1.0 200 OK\r\n\r\nok";

// The longest chain a request follows: every pass but the last one a
// redirect to the next path.
std::vector<Exchange> nineteenRedirectsThenOk()
{
    std::vector<Exchange> chain;
    for (int i = 0; i + 1 < TNMHTTP::MaxPasses; ++i) {
        const QByteArray next = "/r" + QByteArray::number(i + 1);
        chain.push_back({plainRequest("GET /r" + QByteArray::number(i) + " HTTP/1.0"),
                         "HTTP/1.0 302 Found\r\nLocation: " + next + "\r\n\r\n"});
    }
    chain.push_back({plainRequest("GET /r" + QByteArray::number(TNMHTTP::MaxPasses - 1) + " HTTP/1.0"), kOk});
    return chain;
}

std::vector<ProtocolCase> cases()
{
    const QByteArray longCredentials =
        "dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1dXV1OnBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcHBwcA==";
    const QByteArray longPath = "/" + QByteArray(10000, 'L');
    return {
        // ---- requests on the wire ----
        {"GetSendsTheFixedLines", getting("/a/b.html?q=1"),
         {{plainRequest("GET /a/b.html?q=1 HTTP/1.0"),
           "HTTP/1.0 200 OK\r\nContent-Length: 5\r\nServer: scripted\r\n\r\nhello"}},
         200, "hello", kOnePassOk,
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.BytesTotal, 5); }},
        {"GetWithoutPathAsksForTheRoot", getting(""),
         {{plainRequest("GET / HTTP/1.0"), kOk}}, 200, "ok", kOnePassOk,
         {}, 0, [](RecordingClient &c) { EXPECT_TRUE(c.URL.endsWith(":" + QByteArray::number(c.Port) + "/")); }},
        {"GetThroughAProxySendsTheWholeAddress",
         [](RecordingClient &c, quint16 port) {
             c.Proxy = "127.0.0.1";
             c.ProxyPort = port;
             c.Get("http://far.invalid:8080/x?y");
         },
         {{"GET http://far.invalid:8080/x?y HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\nHost: far.invalid\r\n" +
               kAccept + kContentType + "\r\n",
           kOk}},
         200, "ok", kOnePassOk},
        {"PostSendsEncodedDataWithItsLength",
         [](RecordingClient &c, quint16 port) { c.Post(localUrl(port, "/form"), "name=a b&x=\xE4;"); },
         {{"POST /form HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType +
               "Content-Length: 23\r\n\r\nname%3Da+b%26x%3D%E4%3B",
           kOk}},
         200, "ok", onePassOk(3)},
        {"PostWithoutEncodingSendsTheDataAsGiven",
         [](RecordingClient &c, quint16 port) {
             c.EncodeData = false;
             c.Post(localUrl(port, "/raw"), "a=1&b=2");
         },
         {{"POST /raw HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 7\r\n\r\na=1&b=2",
           kOk}},
         200, "ok", onePassOk(3)},
        {"PutSendsZeroBytesAsAnnounced",
         [](RecordingClient &c, quint16 port) { c.Put(localUrl(port, "/z"), QByteArray("a\0b", 3)); },
         {{"PUT /z HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 3\r\n\r\n" +
               QByteArray("a\0b", 3),
           kOk}},
         200, "ok", onePassOk(4)},
        {"TraceSendsItsData",
         [](RecordingClient &c, quint16 port) { c.Trace(localUrl(port, "/t"), "x y"); },
         {{"TRACE /t HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 3\r\n\r\nx y", kOk}},
         200, "ok", onePassOk(11)},
        {"PatchSendsItsData",
         [](RecordingClient &c, quint16 port) { c.Patch(localUrl(port, "/p"), "d"); },
         {{"PATCH /p HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 1\r\n\r\nd", kOk}},
         200, "ok", onePassOk(5)},
        {"SendHeaderAndDataIsSentAsAPost",
         [](RecordingClient &c, quint16 port) { c.SendHeaderAndData(localUrl(port, "/s"), "data"); },
         {{"POST /s HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 4\r\n\r\ndata", kOk}},
         200, "ok", onePassOk(12)},
        {"CopyAndMoveCarryTheDestination",
         [](RecordingClient &c, quint16 port) { c.Move(localUrl(port, "/old"), "/new"); },
         {{"MOVE /old HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "URI-header: /new\r\n\r\n", kOk}},
         200, "ok", onePassOk(7)},
        // Link and Unlink send no body, so they announce none.
        {"UnlinkCarriesTheLinkLineAndNoLength",
         [](RecordingClient &c, quint16 port) { c.Unlink(localUrl(port, "/l"), ""); },
         {{"UNLINK /l HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Link: \r\n\r\n", kOk}},
         200, "ok", onePassOk(10),
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.SendData, "Send.dat"); }},
        {"HeaderInfoLinesInTheirOrder",
         [](RecordingClient &c, quint16 port) {
             THeaderInfo *info = c.HeaderInfo();
             info->LocalProgram = "Tester/1";
             info->LocalMailAddress = "me@here";
             info->Cookie = "a=1";
             info->Referer = "http://r/";
             info->UserId = "user";
             info->Password = "pass";
             c.Options(localUrl(port, "/o"));
         },
         {{"OPTIONS /o HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept +
               "User-Agent: Tester/1\r\nFrom: me@here\r\nCookie: a=1\r\nReferer: http://r/\r\n"
               "Authorization: Basic dXNlcjpwYXNz\r\n" +
               kContentType + "\r\n",
           kOk}},
         200, "ok", onePassOk(1)},
        {"LongCredentialsStayOnOneLine",
         [](RecordingClient &c, quint16 port) {
             c.HeaderInfo()->UserId = QByteArray(30, 'u');
             c.HeaderInfo()->Password = QByteArray(30, 'p');
             c.Delete(localUrl(port, "/d"));
         },
         {{"DELETE /d HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + "Authorization: Basic " + longCredentials +
               "\r\n" + kContentType + "\r\n",
           kOk}},
         200, "ok", onePassOk(8)},
        {"UserIdWithoutPasswordSendsNoCredentials",
         [](RecordingClient &c, quint16 port) {
             c.HeaderInfo()->UserId = "user";
             c.Head(localUrl(port, "/h"));
         },
         {{plainRequest("HEAD /h HTTP/1.0"), "HTTP/1.0 500 Oops\r\n\r\n"}}, 500, "",
         {"AboutToSend", "Connect", "Failure(2)", "Disconnect"}},

        // ---- status lines ----
        {"StatusWithoutReasonPhraseCountsAsZero", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 404\r\n\r\nbody"}}, 0, "body", kOnePassOk},
        {"NonNumericStatusCountsAsZero", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 abc Odd\r\n\r\nbody"}}, 0, "body", kOnePassOk},
        {"TenDigitStatusCountsAsZero", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 2000000404 Big\r\n\r\nbody"}}, 0, "body", kOnePassOk},
        {"NotFoundFailsWithTheErrorPage", getting("/missing"),
         {{plainRequest("GET /missing HTTP/1.0"), "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone"}},
         404, "gone", {"AboutToSend", "Connect", "PacketRecvd", "Failure(0)", "Disconnect"}},
        {"UnauthorizedAsksForCredentialsOnce", getting("/secret"),
         {{plainRequest("GET /secret HTTP/1.0"), "HTTP/1.0 401 Unauthorized\r\n\r\nno"}}, 401, "no",
         {"AboutToSend", "Connect", "PacketRecvd", "Failure(0)", "Disconnect", "AuthNeeded"}},

        // ---- header lines ----
        {"LinesWithoutColonAndBlankAreKeptButNotRead", getting("/"),
         {{plainRequest("GET / HTTP/1.0"),
           "HTTP/1.0 200 OK\r\nLocation:/x\r\nno colon here\r\nSet-Cookie:a=b\r\nContent-Length:9\r\n\r\nbody"}},
         200, "body", kOnePassOk,
         {}, 0, [](RecordingClient &c) {
             EXPECT_EQ(c.Location, "");
             EXPECT_EQ(c.CookieReceived, "");
             EXPECT_EQ(c.BytesTotal, 0);
         }},
        {"BareLineFeedsEndLinesToo", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\nSet-Cookie: s=1\n\nbody\r\n"}}, 200, "body\r\n",
         kOnePassOk, {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.CookieReceived, "s=1"); }},
        {"HeaderCutShortByTheServer", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nA: b\r\n"}}, 200, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"}},
        {"ZeroByteBody", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 204 No Content\r\nContent-Length: 0\r\n\r\n"}}, 204, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"}},
        {"NothingAtAllIsStatusZeroAndSuccess", getting("/"), {{plainRequest("GET / HTTP/1.0"), ""}}, 0, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"}},
        {"BodyKeepsZeroBytes", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), QByteArray("HTTP/1.0 200 OK\r\n\r\na\0b\0", 23)}}, 200,
         QByteArray("a\0b\0", 4), kOnePassOk},

        // ---- lying lengths: the body is what arrives before the close ----
        {"ShorterContentLengthStillReadsToTheClose", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhello"}}, 200, "hello",
         kOnePassOk, {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.BytesTotal, 2); }},
        // A close before the announced length is a cut body: an error that
        // keeps what came, never a whole reply.
        {"LongerContentLengthIsACutBodyThatKeepsItsBytes", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nhello"}}, 200,
         "hello", {}, "Connection closed after 5 of 100 bytes", 0, [](RecordingClient &c) {
             EXPECT_EQ(c.BytesTotal, 100);
             EXPECT_EQ(c.Body, "hello");
             EXPECT_EQ(c.events, (QStringList{"AboutToSend", "Connect", "PacketRecvd", "Disconnect"}));
         }},
        {"NothingOfAnAnnouncedBodyIsACutBodyToo", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nContent-Length:  10\r\n\r\n"}}, 200, "",
         {}, "Connection closed after 0 of 10 bytes"},
        {"ErrorPageCutShortIsACutBodyAlso", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\ngone"}}, 404,
         "gone", {}, "Connection closed after 4 of 9 bytes", 0,
         [](RecordingClient &c) { EXPECT_FALSE(c.events.contains("Failure(0)")); }},
        {"HeadAnnouncesALengthItDoesNotSend",
         [](RecordingClient &c, quint16 port) { c.Head(localUrl(port, "/")); },
         {{plainRequest("HEAD / HTTP/1.0"), "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n"}}, 200, "",
         {"AboutToSend", "Connect", "Success(2)", "Status:Transaction Completed", "Disconnect"}},

        // ---- the close ends a line: what came of it is the line ----
        {"StatusLineAloneAtTheClose", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK"}}, 200, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"}},
        {"HeaderLineCutByTheClose", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\nX-Half: val"}}, 200, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"},
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.CookieReceived, "a=1"); }},
        {"CookieLineCutByTheCloseStillCounts", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nSet-Cookie: a=1"}}, 200, "",
         {"AboutToSend", "Connect", "Success(0)", "Status:Transaction Completed", "Disconnect"},
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.CookieReceived, "a=1"); }},

        // ---- interim replies come before the reply and are dropped ----
        {"ContinueAndEarlyHintsBeforeTheReply", getting("/"),
         {{plainRequest("GET / HTTP/1.0"),
           "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </s.css>; rel=preload\r\n"
           "Set-Cookie: early=1\r\n\r\nHTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nbody"}},
         200, "body", kOnePassOk, {}, 0,
         [](RecordingClient &c) {
             EXPECT_EQ(c.CookieReceived, "");
             EXPECT_EQ(c.BytesTotal, 4);
         },
         QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </s.css>; rel=preload\r\n"
                    "Set-Cookie: early=1\r\n\r\n").size()},
        {"ContinueBeforeARedirect", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n"},
          {plainRequest("GET /next HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"InterimReplyAndThenTheClose", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.1 100 Continue\r\nX: y\r\n"}}, 100, "",
         {}, "Connection closed after an interim reply, before the reply itself"},
        {"WholeInterimReplyAndThenTheClose", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.1 100 Continue\r\n\r\n"}}, 0, "",
         {}, "Connection closed after an interim reply, before the reply itself"},
        {"NegativeContentLengthCountsAsZero", getting("/"),
         {{plainRequest("GET / HTTP/1.0"), "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nhello"}}, 200, "hello",
         kOnePassOk, {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.BytesTotal, 0); }},
        {"ThirtyDigitContentLengthCountsAsZero", getting("/"),
         {{plainRequest("GET / HTTP/1.0"),
           "HTTP/1.0 200 OK\r\nContent-Length: 123456789012345678901234567890\r\n\r\nhello"}},
         200, "hello", kOnePassOk, {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.BytesTotal, 0); }},

        // ---- redirects ----
        {"RedirectToAPathKeepsTheHost", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\nmoved"},
          {plainRequest("GET /next HTTP/1.0"), "HTTP/1.0 200 OK\r\n\r\narrived"}},
         200, "arrived", kRedirectPass + kOnePassOk,
         {}, 0, [](RecordingClient &c) { EXPECT_TRUE(c.URL.endsWith("/next")); }},
        {"RedirectToAnAbsoluteAddressGoesToItsHost", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"),
           "HTTP/1.0 301 Moved\r\nLocation: http://localhost:%PORT%/there\r\n\r\n"},
          {plainRequest("GET /there HTTP/1.0", "localhost"), kOk}},
         200, "ok", QStringList{"AboutToSend", "Connect", "Disconnect", "Redirect"} + kOnePassOk,
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.Host, "localhost"); }},
        {"RedirectToABareNameStaysOnTheHostAndPort", getting("/dir/start"),
         {{plainRequest("GET /dir/start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: next.html\r\n\r\nmoved"},
          {plainRequest("GET /next.html HTTP/1.0"), kOk}},
         200, "ok", kRedirectPass + kOnePassOk},
        // Relative references resolve against the address that got the
        // redirect; no piece of a path is ever taken for a host.
        {"RedirectToASubPathResolvesUnderTheCurrentFolder", getting("/dir/start?x=1"),
         {{plainRequest("GET /dir/start?x=1 HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: data/x\r\n\r\n"},
          {plainRequest("GET /dir/data/x HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk,
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.Host, "127.0.0.1"); }},
        {"RedirectToDotSlashResolvesUnderTheCurrentFolder", getting("/dir/start"),
         {{plainRequest("GET /dir/start HTTP/1.0"), "HTTP/1.0 301 Moved\r\nLocation: ./x\r\n\r\n"},
          {plainRequest("GET /dir/x HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"RedirectToDotDotClimbsOneFolderAndNoHigherThanTheRoot", getting("/a/b/start"),
         {{plainRequest("GET /a/b/start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: ../x\r\n\r\n"},
          {plainRequest("GET /a/x HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: ../../../y/./z\r\n\r\n"},
          {plainRequest("GET /y/z HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kRedirectWithoutBody + kOnePassOk},
        {"RedirectToAQueryKeepsThePath", getting("/dir/page?old=1"),
         {{plainRequest("GET /dir/page?old=1 HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: ?q=1\r\n\r\n"},
          {plainRequest("GET /dir/page?q=1 HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"RedirectToANetworkPathKeepsTheScheme", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: //127.0.0.1:%PORT%/far\r\n\r\n"},
          {plainRequest("GET /far HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"RedirectDropsTheFragmentAndEncodesBlanks", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"),
           "HTTP/1.0 302 Found\r\nLocation: /a b/../c d?e f#frag ment\r\n\r\n"},
          {plainRequest("GET /c%20d?e%20f HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"RedirectToAnUnknownSchemeIsRefusedWithoutALookUp", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: foo:bar\r\n\r\n"}}, 302, "",
         {}, "Cannot follow a redirect to foo:bar"},
        {"RelativeRedirectLoopStillStopsAfterTwentyPasses", getting("/loop/x"),
         {{plainRequest("GET /loop/x HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: ./x\r\n\r\n"}}, 302, "",
         {}, "Too many redirects", TNMHTTP::MaxPasses},
        // 303, 307 and 308 are followed like 301 and 302; 303 fetches the
        // answer with a Get, the others repeat the request as it was.
        {"SeeOtherAfterAPostFetchesTheAnswerWithAGet",
         [](RecordingClient &c, quint16 port) { c.Post(localUrl(port, "/form"), "a b"); },
         {{"POST /form HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 3\r\n\r\na+b",
           "HTTP/1.0 303 See Other\r\nLocation: /done\r\n\r\n"},
          {plainRequest("GET /done HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + onePassOk(0)},
        {"TemporaryRedirectRepeatsThePost",
         [](RecordingClient &c, quint16 port) { c.Post(localUrl(port, "/form"), "a"); },
         {{"POST /form HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 1\r\n\r\na",
           "HTTP/1.0 307 Temporary Redirect\r\nLocation: /again\r\n\r\n"},
          {"POST /again HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + kContentType + "Content-Length: 1\r\n\r\na",
           kOk}},
         200, "ok", kRedirectWithoutBody + onePassOk(3)},
        {"PermanentRedirectIsFollowed", getting("/old"),
         {{plainRequest("GET /old HTTP/1.0"), "HTTP/1.0 308 Permanent Redirect\r\nLocation: new\r\n\r\n"},
          {plainRequest("GET /new HTTP/1.0"), kOk}},
         200, "ok", kRedirectWithoutBody + kOnePassOk},
        {"RedirectWithoutLocationGoesToTheRoot", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 301 Moved\r\n\r\nmoved"},
          {plainRequest("GET / HTTP/1.0"), kOk}},
         200, "ok", kRedirectPass + kOnePassOk},
        {"RedirectWithoutLocationReusesTheLastOne", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: /a\r\n\r\nmoved"},
          {plainRequest("GET /a HTTP/1.0"), "HTTP/1.0 302 Found\r\n\r\nmoved"},
          {plainRequest("GET /a HTTP/1.0"), kOk}},
         200, "ok", kRedirectPass + kRedirectPass + kOnePassOk},
        {"RedirectCookieIsSentOnTheNextPassAndKept", getting("/login"),
         {{plainRequest("GET /login HTTP/1.0"),
           "HTTP/1.0 302 Found\r\nSet-Cookie: id=42; path=/\r\nLocation: /home\r\n\r\nmoved"},
          {"GET /home HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccept + "Cookie: id=42; path=/\r\n" + kContentType +
               "\r\n",
           kOk}},
         200, "ok", kRedirectPass + kOnePassOk,
         {}, 0, [](RecordingClient &c) {
             EXPECT_EQ(c.HeaderInfo()->Cookie, "id=42; path=/");
             EXPECT_EQ(c.CookieReceived, "");
         }},
        {"HandledRedirectStopsWithTheRedirectResponse",
         [](RecordingClient &c, quint16 port) {
             c.stopAtRedirect = true;
             c.Get(localUrl(port, "/start"));
         },
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\nmoved"}}, 302,
         "moved", kRedirectPass,
         {}, 0, [](RecordingClient &c) { EXPECT_EQ(c.Location, "/next"); }},
        {"OtherRedirectStatusesRepeatTheSameAddress", getting("/same"),
         {{plainRequest("GET /same HTTP/1.0"), "HTTP/1.0 305 Use Proxy\r\nLocation: /elsewhere\r\n\r\n"},
          {plainRequest("GET /same HTTP/1.0"), kOk}},
         200, "ok", QStringList{"AboutToSend", "Connect", "Disconnect", "Redirect"} + kOnePassOk},
        {"Status299And399RepeatWithoutRedirectEvent", getting("/r"),
         {{plainRequest("GET /r HTTP/1.0"), "HTTP/1.0 299 Odd\r\n\r\n"},
          {plainRequest("GET /r HTTP/1.0"), "HTTP/1.0 399 Odd\r\n\r\n"},
          {plainRequest("GET /r HTTP/1.0"), kOk}},
         200, "ok",
         QStringList{"AboutToSend", "Connect", "Disconnect", "AboutToSend", "Connect", "Disconnect"} + kOnePassOk},
        {"LongLocationIsFollowedWhole", getting("/start"),
         {{plainRequest("GET /start HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: " + longPath + "\r\n\r\n"},
          {plainRequest("GET " + longPath + " HTTP/1.0"), kOk}},
         200, "ok", QStringList{"AboutToSend", "Connect", "Disconnect", "Redirect"} + kOnePassOk},
        {"NineteenRedirectsThenTheAnswerIsStillFollowed", getting("/r0"), nineteenRedirectsThenOk(), 200, "ok",
         [] {
             QStringList events;
             for (int i = 1; i < TNMHTTP::MaxPasses; ++i)
                 events += kRedirectWithoutBody;
             return events + kOnePassOk;
         }()},
        {"RedirectLoopStopsAfterTwentyPasses", getting("/loop"),
         {{plainRequest("GET /loop HTTP/1.0"), "HTTP/1.0 302 Found\r\nLocation: /loop\r\n\r\n"}}, 302, "",
         {}, "Too many redirects", TNMHTTP::MaxPasses},
    };
}

class ProtocolCaseTest : public ::testing::TestWithParam<ProtocolCase> {
protected:
    // Runs the case with each reply sent by `reply(i, bytes)`.
    void runWith(const std::function<Script(qsizetype, const QByteArray &)> &reply)
    {
        const ProtocolCase &c = GetParam();
        // The port is known only once the server listens, and the scripts
        // need it; a forwarding script reads it from here.
        auto port = std::make_shared<quint16>(0);
        std::vector<Script> scripts;
        for (const Exchange &e : c.exchanges) {
            scripts.push_back({Step::run([port, e, reply](testing_support::ScriptedConnection &conn) {
                const QByteArray request = withPort(e.request, *port);
                for (const Step &step : reply(request.size(), withPort(e.reply, *port)))
                    play(conn, step);
            })});
        }
        // Every name the client asks for is recorded and answered "not
        // found" on the spot: nothing leaves the machine, and a piece of a
        // path taken for a host shows up here.
        QList<QByteArray> namesAsked;
        sockets::SetLookupHook([&](const QByteArray &name) {
            namesAsked << name;
            return name == "localhost";
        });
        const auto unhook = qScopeGuard([] { sockets::SetLookupHook(nullptr); });

        RecordingClient client;
        m_clientFd->store(client.SocketHandle);
        ScriptedServer server(scripts);
        *port = server.port();

        const QString error = errorOf([&] { c.run(client, server.port()); });
        namesAsked.removeAll("localhost");
        EXPECT_TRUE(namesAsked.isEmpty()) << show(QString::fromLatin1(namesAsked.join(", ")));
        EXPECT_EQ(show(error), show(c.error));
        const int connections = c.connections ? c.connections : int(c.exchanges.size());
        EXPECT_EQ(server.connections(), connections);
        for (int i = 0; i < connections; ++i) {
            const Exchange &e = c.exchanges[std::min<size_t>(i, c.exchanges.size() - 1)];
            ASSERT_TRUE(server.waitForScriptEnd(i));
            EXPECT_EQ(show(server.received(i)), show(withPort(e.request, server.port()))) << "connection " << i;
        }
        EXPECT_EQ(int(client.ReplyNumber), c.status);
        if (c.error.isEmpty()) {
            const QByteArray reply = withPort(c.exchanges.back().reply, server.port());
            ASSERT_TRUE(reply.endsWith(c.body));
            EXPECT_EQ(show(client.Body), show(c.body));
            EXPECT_EQ(show(client.Header), show(reply.left(reply.size() - c.body.size()).mid(c.interim)));
            EXPECT_EQ(show(client.events), show(c.events));
        }
        if (c.check)
            c.check(client);
    }

    static void play(testing_support::ScriptedConnection &conn, const Step &step)
    {
        switch (step.kind) {
        case Step::Kind::Send: conn.send(step.bytes); break;
        case Step::Kind::Sleep: conn.sleep(step.ms); break;
        case Step::Kind::ReadBytes: conn.readBytes(step.count); break;
        case Step::Kind::ShutdownWrite: conn.shutdownWrite(); break;
        case Step::Kind::ReadUntilClose: conn.readUntilClose(); break;
        case Step::Kind::Custom: step.custom(conn); break;
        case Step::Kind::Trickle:
            for (const char b : step.bytes) {
                conn.send(QByteArray(1, b));
                conn.sleep(step.ms);
            }
            break;
        default: ADD_FAILURE() << "step not used here";
        }
    }

    // Waits until the client has taken every byte sent so far off its
    // socket, so that what follows arrives as a separate piece.
    Step readByClient() const
    {
        return Step::run([fd = m_clientFd](testing_support::ScriptedConnection &conn) {
            EXPECT_TRUE(conn.waitUntilTaken(fd->load())) << "the client did not read the first piece";
        });
    }

    // The socket the client's first pass uses: it exists from construction.
    std::shared_ptr<std::atomic<int>> m_clientFd = std::make_shared<std::atomic<int>>(-1);
};

class WholeReply : public ProtocolCaseTest {};
class SplitReply : public ProtocolCaseTest {};

TEST_P(WholeReply, GivesTheResult)
{
    runWith([](qsizetype requestSize, const QByteArray &reply) { return replyScript(requestSize, reply); });
}

TEST_P(SplitReply, TrickledOrSplitAtAnyByteGivesTheSameResult)
{
    const ProtocolCase &c = GetParam();
    runWith([](qsizetype requestSize, const QByteArray &reply) {
        return Script{Step::readBytes(requestSize), Step::trickle(reply, 2), Step::shutdownWrite(),
                      Step::readUntilClose()};
    });
    const qsizetype size = withPort(c.exchanges[0].reply, 0).size();
    for (qsizetype at = 1; at < size && !HasFailure(); ++at) {
        SCOPED_TRACE(testing::Message() << "split at " << at);
        runWith([at, this](qsizetype requestSize, const QByteArray &reply) {
            return Script{Step::readBytes(requestSize), Step::send(reply.left(at)), readByClient(),
                          Step::send(reply.mid(at)), Step::shutdownWrite(), Step::readUntilClose()};
        });
    }
}

std::vector<ProtocolCase> oneConnectionCases()
{
    std::vector<ProtocolCase> all = cases();
    std::erase_if(all, [](const ProtocolCase &c) { return c.exchanges.size() != 1 || c.connections > 1; });
    return all;
}

std::string caseName(const ::testing::TestParamInfo<ProtocolCase> &info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Http, WholeReply, ::testing::ValuesIn(cases()), caseName);
INSTANTIATE_TEST_SUITE_P(Http, SplitReply, ::testing::ValuesIn(oneConnectionCases()), caseName);

} // namespace
