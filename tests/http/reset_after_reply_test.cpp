// Servers that end a complete reply with a reset, as real servers do every
// day (closing with part of the request unread, or resetting after their
// orderly close). Whether the reset overtakes the reader is a matter of
// timing, so each shape runs many times over real sockets: every run must
// end in success with the body byte for byte, or, where the reply really is
// cut, in the reset error with what arrived kept.

#include "client_harness.h"

#include <atomic>
#include <poll.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>

#include <gtest/gtest.h>

using namespace http_testing;
using testing_support::Script;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

constexpr int kRuns = 50;

QByteArray bodyOf(qsizetype size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        body[i] = char('a' + (i * 7 + i / 251) % 26);
    return body;
}

QByteArray replyWith(const QByteArray &body, bool announceLength)
{
    QByteArray header = "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n";
    if (announceLength)
        header += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return header + "\r\n" + body;
}

// Waits until the peer's kernel has taken every byte sent: a reset throws
// away what is still queued on the sending side, and these servers are to
// reset after a reply that left whole. (The queue counts an unanswered
// FIN too, so a client that has gone ends the wait as well.)
Step delivered()
{
    return Step::run([](ScriptedConnection &c) {
        for (int waited = 0; waited < 10000; ++waited) {
            int queued = 0;
            if (::ioctl(c.fd(), SIOCOUTQ, &queued) != 0 || queued == 0)
                return;
            pollfd p{c.fd(), 0, 0};
            if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP)))
                return; // the client has gone already: it had everything

            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

struct Outcome {
    QString error;
    int status = 0;
    QByteArray body;
};

// Runs kRuns Gets against one server whose every connection plays `script`.
std::vector<Outcome> fetchRepeatedly(const Script &script)
{
    ScriptedServer server(script);
    std::vector<Outcome> outcomes;
    for (int run = 0; run < kRuns; ++run) {
        RecordingClient client;
        Outcome o;
        o.error = errorOf([&] { client.Get(localUrl(server.port(), "/page")); });
        o.status = client.ReplyNumber;
        o.body = client.Body;
        outcomes.push_back(o);
    }
    return outcomes;
}

void expectAllWhole(const std::vector<Outcome> &outcomes, const QByteArray &body)
{
    int failed = 0;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome &o = outcomes[i];
        if (!o.error.isEmpty() || o.status != 200 || o.body != body) {
            ++failed;
            ADD_FAILURE() << "run " << i << ": error \"" << o.error.toStdString() << "\", status " << o.status
                          << ", " << o.body.size() << " of " << body.size() << " bytes";
        }
    }
    EXPECT_EQ(failed, 0) << "of " << outcomes.size() << " runs";
}

} // namespace

TEST(ResetAfterReply, OrderlyCloseThenResetEndsTheBodyNormally)
{
    const QByteArray body = bodyOf(200'000);
    for (const bool announce : {true, false}) {
        SCOPED_TRACE(announce ? "with Content-Length" : "without Content-Length");
        expectAllWhole(fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(replyWith(body, announce)),
                                        Step::shutdownWrite(), delivered(), Step::reset()}),
                       body);
    }
}

TEST(ResetAfterReply, ResetAfterTheAnnouncedBodyIsNoFailure)
{
    const QByteArray body = bodyOf(200'000);
    expectAllWhole(fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(replyWith(body, true)), delivered(), Step::reset()}),
                   body);
    // The length after more than one blank is still the length.
    QByteArray spaced = replyWith(body, true);
    spaced.replace("Content-Length: ", "Content-Length:   ");
    expectAllWhole(fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(spaced), delivered(), Step::reset()}),
                   body);
}

TEST(ResetAfterReply, ResetWithoutAnyEndMarkerIsACutBodyAndKeepsWhatArrived)
{
    // Without a length and without an orderly close nothing tells a whole
    // body from a cut one: the reset is reported, and every byte that came
    // before it is kept.
    const QByteArray body = bodyOf(200'000);
    for (const Outcome &o :
         fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(replyWith(body, false)), delivered(), Step::reset()})) {
        EXPECT_EQ(o.error.toStdString(), "10054:Connection reset by peer");
        EXPECT_EQ(o.status, 200);
        EXPECT_TRUE(body.startsWith(o.body)) << o.body.size() << " bytes";
    }
}

TEST(ResetAfterReply, ResetBeforeTheAnnouncedLengthIsAnErrorWithThePartKept)
{
    const QByteArray body = bodyOf(50'000);
    QByteArray reply = replyWith(body, true);
    reply.chop(1000);
    for (const Outcome &o : fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(reply), delivered(), Step::reset()})) {
        EXPECT_EQ(o.error.toStdString(), "10054:Connection reset by peer");
        EXPECT_EQ(o.body, body.left(o.body.size()));
        EXPECT_LT(o.body.size(), body.size());
    }
}

TEST(ResetAfterReply, ResetUnderALengthBeyondThirtyTwoBitsIsAnError)
{
    // Lengths past 2 GB or 4 GB still say how much must come: a reset
    // after a few bytes of them is a cut body, not an end.
    const QByteArray body = bodyOf(20'000);
    for (const QByteArray length : {"3000000000", "5000000000"}) {
        SCOPED_TRACE(length.toStdString());
        const QByteArray reply = "HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + body;
        for (const Outcome &o : fetchRepeatedly({Step::readUntil("\r\n\r\n"), Step::send(reply), delivered(), Step::reset()})) {
            EXPECT_EQ(o.error.toStdString(), "10054:Connection reset by peer");
            EXPECT_TRUE(body.startsWith(o.body)) << o.body.size() << " bytes";
        }
    }
}

TEST(ResetAfterReply, ServerAnsweringAfterItsFirstReadFindsTheWholeRequest)
{
    // The server reads once, answers and closes. Had the request's closing
    // CR LF come in a later segment, it would be unread at the close and the
    // kernel would reset the connection under the reply.
    const QByteArray body = bodyOf(100'000);
    const QByteArray reply = replyWith(body, false);
    auto wholeInFirstRead = std::make_shared<std::atomic<int>>(0);
    ScriptedServer server({Step::run([reply, wholeInFirstRead](ScriptedConnection &c) {
        char buffer[65536];
        pollfd p{c.fd(), POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1)
            return;
        const ssize_t n = ::recv(c.fd(), buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        if (QByteArray(buffer, n) == plainRequest("GET /first-read HTTP/1.0"))
            ++*wholeInFirstRead;
        c.send(reply);
        c.close();
    })});
    std::vector<Outcome> outcomes;
    for (int run = 0; run < kRuns; ++run) {
        RecordingClient client;
        Outcome o;
        o.error = errorOf([&] { client.Get(localUrl(server.port(), "/first-read")); });
        o.status = client.ReplyNumber;
        o.body = client.Body;
        outcomes.push_back(o);
    }
    expectAllWhole(outcomes, body);
    EXPECT_EQ(wholeInFirstRead->load(), kRuns);
}
