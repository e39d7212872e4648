#pragma once

// What the hostile-server cases share: the servers that misbehave in ways a
// scripted conversation cannot express (endless streams, thousands of
// connections), and a log line per case so a run shows every outcome.

#include "support/core/scripted_server.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

#include <cstdio>

namespace hostile {

using testing_support::Script;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;

inline QByteArray localUrl(quint16 port, const QByteArray &path = "/")
{
    return "http://127.0.0.1:" + QByteArray::number(port) + path;
}

// Sends `head`, then `filler` again and again until the client stops
// reading or `limit` bytes went out: a server that never ends what it sends.
inline Step endless(QByteArray head, QByteArray filler, qint64 limit)
{
    return Step::run([head, filler, limit](ScriptedConnection &c) {
        if (!c.send(head))
            return;
        QByteArray block;
        while (block.size() < 65536)
            block += filler;
        for (qint64 sent = 0; sent < limit; sent += block.size())
            if (!c.send(block))
                return;
    });
}

// One line per case: what it was, what came out, how long it took.
inline void report(const char *name, const QString &outcome, qint64 ms)
{
    std::printf("[hostile] %-34s %-44s %6.1f s\n", name, outcome.toLocal8Bit().constData(), ms / 1000.0);
    std::fflush(stdout);
}

// A plain server that answers every connection with a small page naming the
// requested path, one connection after another, for as many connections as
// the clients make. Counts what it accepted.
class CountingServer {
public:
    CountingServer();
    ~CountingServer();
    CountingServer(const CountingServer &) = delete;
    CountingServer &operator=(const CountingServer &) = delete;

    quint16 port() const { return m_port; }
    int accepted() const { return m_accepted.load(); }

private:
    void serve();

    int m_listenFd = -1;
    quint16 m_port = 0;
    std::atomic<int> m_accepted{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace hostile
