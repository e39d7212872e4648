// Request and response cases as data, one file per case in cases/ (the
// format is in cases/README): what the client must send, byte for byte,
// and what it makes of a canned reply. Each case with one connection also
// runs with the reply trickled byte by byte and split at every byte
// boundary, since a reply may arrive in any number of pieces.

#include "client_harness.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <atomic>
#include <map>

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
    std::string name;
    QString problem; // what is wrong with the file; the case fails with it
    QByteArray method;
    QByteArray address;
    QByteArray argument;
    std::vector<std::pair<QByteArray, QByteArray>> settings;
    std::vector<Exchange> exchanges;
    int connections = 0; // when more than exchanges (the last one repeats)
    int status = -1;
    QString error; // the error the operation ends with
    bool checkEvents = false;
    QStringList events;
    std::vector<std::pair<QByteArray, QByteArray>> fields;
    bool checkHeader = false; // else the header is the last reply without its body
    QByteArray header;
    bool checkBody = false;
    QByteArray body;
};

void PrintTo(const ProtocolCase &c, std::ostream *os)
{
    *os << c.name;
}

QByteArray withPort(QByteArray text, quint16 port)
{
    return text.replace("%PORT%", QByteArray::number(port));
}

// \r \n \t \0 \\ and \xHH; false for any other backslash.
bool unescape(const QByteArray &text, QByteArray &bytes)
{
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[++i] : '\0';
        if (next == 'r' || next == 'n' || next == 't' || next == '0' || next == '\\') {
            bytes += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next == '0' ? '\0' : '\\';
        } else if (next == 'x' && i + 2 < text.size()) {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok)
                return false;
            bytes += char(value);
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

using Call = std::function<void(RecordingClient &, const QByteArray &address, const QByteArray &argument)>;

const std::map<QByteArray, Call> &calls()
{
    using C = RecordingClient;
    const auto one = [](void (TNMHTTP::*f)(const QByteArray &)) {
        return Call([f](C &c, const QByteArray &a, const QByteArray &) { (c.*f)(a); });
    };
    const auto two = [](void (TNMHTTP::*f)(const QByteArray &, const QByteArray &)) {
        return Call([f](C &c, const QByteArray &a, const QByteArray &b) { (c.*f)(a, b); });
    };
    static const std::map<QByteArray, Call> table = {
        {"Get", one(&TNMHTTP::Get)},
        {"Head", one(&TNMHTTP::Head)},
        {"Options", one(&TNMHTTP::Options)},
        {"Delete", one(&TNMHTTP::Delete)},
        {"Post", two(&TNMHTTP::Post)},
        {"Put", two(&TNMHTTP::Put)},
        {"Patch", two(&TNMHTTP::Patch)},
        {"Trace", two(&TNMHTTP::Trace)},
        {"Copy", two(&TNMHTTP::Copy)},
        {"Move", two(&TNMHTTP::Move)},
        {"Link", two(&TNMHTTP::Link)},
        {"Unlink", two(&TNMHTTP::Unlink)},
        {"SendHeaderAndData", two(&TNMHTTP::SendHeaderAndData)},
    };
    return table;
}

using Setting = std::function<void(RecordingClient &, const QByteArray &)>;

const std::map<QByteArray, Setting> &settings()
{
    using C = RecordingClient;
    static const std::map<QByteArray, Setting> table = {
        {"Proxy", [](C &c, const QByteArray &v) { c.Proxy = v; }},
        {"ProxyPort", [](C &c, const QByteArray &v) { c.ProxyPort = v.toInt(); }},
        {"EncodeData", [](C &c, const QByteArray &v) { c.EncodeData = v == "true"; }},
        {"stopAtRedirect", [](C &c, const QByteArray &v) { c.stopAtRedirect = v == "true"; }},
        {"LocalProgram", [](C &c, const QByteArray &v) { c.HeaderInfo()->LocalProgram = v; }},
        {"LocalMailAddress", [](C &c, const QByteArray &v) { c.HeaderInfo()->LocalMailAddress = v; }},
        {"Cookie", [](C &c, const QByteArray &v) { c.HeaderInfo()->Cookie = v; }},
        {"Referer", [](C &c, const QByteArray &v) { c.HeaderInfo()->Referer = v; }},
        {"UserId", [](C &c, const QByteArray &v) { c.HeaderInfo()->UserId = v; }},
        {"Password", [](C &c, const QByteArray &v) { c.HeaderInfo()->Password = v; }},
    };
    return table;
}

using Field = std::function<QByteArray(const RecordingClient &)>;

const std::map<QByteArray, Field> &fields()
{
    using C = RecordingClient;
    static const std::map<QByteArray, Field> table = {
        {"BytesTotal", [](const C &c) { return QByteArray::number(c.BytesTotal); }},
        {"URL", [](const C &c) { return c.URL; }},
        {"Host", [](const C &c) { return c.Host; }},
        {"Location", [](const C &c) { return c.Location; }},
        {"CookieReceived", [](const C &c) { return c.CookieReceived; }},
        {"SendData", [](const C &c) { return c.SendData; }},
        {"Cookie", [](const C &c) { return c.HeaderInfo()->Cookie; }},
    };
    return table;
}

// Reads one case file; what is wrong with it goes into `problem`.
ProtocolCase readCase(const QString &path)
{
    ProtocolCase c;
    c.name = QFileInfo(path).completeBaseName().toStdString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        c.problem = QStringLiteral("cannot read ") + path;
        return c;
    }
    QByteArray *block = nullptr; // the bytes the next "|" lines add to
    int number = 0;
    const auto wrong = [&](const QString &what) {
        if (c.problem.isEmpty())
            c.problem = QStringLiteral("line %1: %2").arg(number).arg(what);
    };
    for (const QByteArray &raw : file.readAll().split('\n')) {
        ++number;
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.startsWith('|')) {
            QByteArray bytes;
            if (!block)
                wrong(QStringLiteral("bytes outside request, reply, header or body"));
            else if (!unescape(line.mid(line.startsWith("| ") ? 2 : 1), bytes))
                wrong(QStringLiteral("unknown escape"));
            else
                *block += bytes;
            continue;
        }
        block = nullptr;
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype blank = line.indexOf(' ');
        const QByteArray key = blank < 0 ? line : line.left(blank);
        QByteArray value;
        if (blank >= 0 && !unescape(line.mid(blank + 1), value))
            wrong(QStringLiteral("unknown escape"));
        if (key == "request") {
            c.exchanges.push_back({});
            block = &c.exchanges.back().request;
        } else if (key == "reply") {
            if (c.exchanges.empty())
                wrong(QStringLiteral("a reply before any request"));
            else
                block = &c.exchanges.back().reply;
        } else if (key == "header") {
            c.checkHeader = true;
            block = &c.header;
        } else if (key == "body") {
            c.checkBody = true;
            block = &c.body;
        } else if (key == "call") {
            const qsizetype space = value.indexOf(' ');
            c.method = space < 0 ? value : value.left(space);
            c.address = space < 0 ? QByteArray() : value.mid(space + 1);
            if (!calls().count(c.method))
                wrong(QStringLiteral("no call ") + QString::fromLatin1(c.method));
        } else if (key == "argument") {
            c.argument = value;
        } else if (key == "set" || key == "field") {
            const qsizetype space = value.indexOf(' ');
            const QByteArray name = space < 0 ? value : value.left(space);
            const bool known = key == "set" ? settings().count(name) : fields().count(name);
            if (!known)
                wrong(QStringLiteral("no %1 %2").arg(QString::fromLatin1(key), QString::fromLatin1(name)));
            (key == "set" ? c.settings : c.fields).emplace_back(name, space < 0 ? QByteArray() : value.mid(space + 1));
        } else if (key == "connections") {
            c.connections = value.toInt();
        } else if (key == "status") {
            bool ok = false;
            c.status = value.toInt(&ok);
            if (!ok)
                wrong(QStringLiteral("status is no number"));
        } else if (key == "error") {
            c.error = QString::fromLatin1(value);
        } else if (key == "events") {
            c.checkEvents = true;
            for (const QByteArray &event : value.split(','))
                if (!event.trimmed().isEmpty())
                    c.events << QString::fromLatin1(event.trimmed());
        } else {
            wrong(QStringLiteral("unknown line ") + QString::fromLatin1(key));
        }
    }
    if (c.method.isEmpty())
        wrong(QStringLiteral("no call"));
    if (c.exchanges.empty())
        wrong(QStringLiteral("no request"));
    if (c.status < 0)
        wrong(QStringLiteral("no status"));
    // A reply taken whole is checked whole: its body and events too.
    if (c.error.isEmpty() && !c.checkEvents)
        wrong(QStringLiteral("a case without an error lists its events"));
    c.checkBody = c.checkBody || c.error.isEmpty();
    return c;
}

std::vector<ProtocolCase> cases()
{
    std::vector<ProtocolCase> all;
    const QDir folder(QStringLiteral(PROTOCOL_CASES));
    for (const QString &name : folder.entryList({QStringLiteral("*.case")}, QDir::Files, QDir::Name))
        all.push_back(readCase(folder.filePath(name)));
    if (all.empty()) {
        ProtocolCase none;
        none.name = "NoCaseFiles";
        none.problem = QStringLiteral("no case files in ") + folder.path();
        all.push_back(none);
    }
    return all;
}

class ProtocolCaseTest : public ::testing::TestWithParam<ProtocolCase> {
protected:
    // Runs the case with each reply sent by `reply(i, bytes)`.
    void runWith(const std::function<Script(qsizetype, const QByteArray &)> &reply)
    {
        const ProtocolCase &c = GetParam();
        ASSERT_TRUE(c.problem.isEmpty()) << c.name << ".case, " << show(c.problem);
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

        for (const auto &[name, value] : c.settings)
            settings().at(name)(client, withPort(value, server.port()));
        const QString error = errorOf([&] {
            calls().at(c.method)(client, withPort(c.address, server.port()), withPort(c.argument, server.port()));
        });
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
        const QByteArray body = withPort(c.body, server.port());
        if (c.checkBody) {
            EXPECT_EQ(show(client.Body), show(body));
        }
        if (c.checkHeader) {
            EXPECT_EQ(show(client.Header), show(withPort(c.header, server.port())));
        } else if (c.error.isEmpty()) {
            const QByteArray reply = withPort(c.exchanges.back().reply, server.port());
            ASSERT_TRUE(reply.endsWith(body));
            EXPECT_EQ(show(client.Header), show(reply.chopped(body.size())));
        }
        if (c.checkEvents) {
            EXPECT_EQ(show(client.events), show(c.events));
        }
        for (const auto &[name, value] : c.fields)
            EXPECT_EQ(show(fields().at(name)(client)), show(withPort(value, server.port()))) << name.constData();
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
                          Step::send(reply.mid(at)),    Step::shutdownWrite(),      Step::readUntilClose()};
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
