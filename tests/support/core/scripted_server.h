#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A TCP server on 127.0.0.1 that plays a script on each connection it
// accepts, on threads of its own, so it can be as hostile as a test needs:
// stay silent, trickle, reset, never read, send exact bytes. It records
// every byte it received on each connection.
//
//   ScriptedServer server({Step::readUntil("\r\n\r\n"),
//                          Step::send("HTTP/1.0 200 OK\r\n\r\nbody"),
//                          Step::close()});
//   ... connect to 127.0.0.1:server.port() ...
//   EXPECT_EQ(server.received(0), "GET / HTTP/1.0\r\n...");
//
// Connection i plays scripts[i]; connections beyond the last script play the
// last one again. Every wait of a step gives up when the server is stopped,
// so the destructor never hangs.
namespace testing_support {

class ScriptedConnection;

// A one-way signal from a test to a server script: the script waits in
// ScriptedConnection::waitFor until the test opens the gate.
class Gate {
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool waitOpen(int ms)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

struct Step {
    enum class Kind {
        Send,          // send `bytes` (all of them, blocking)
        Trickle,       // send `bytes` one byte at a time, `ms` apart
        Sleep,         // do nothing for `ms` (reads nothing meanwhile)
        ReadUntil,     // read until the connection's received bytes contain `bytes`
        ReadBytes,     // read until `count` more bytes arrived
        ReadUntilClose,// read and record until the client closes
        ShutdownWrite, // half-close: the client sees the orderly end, reading goes on
        Close,         // orderly close
        Reset,         // linger 0, then close: the client sees a reset
        Custom,        // run `custom` on the connection
    };
    Kind kind = Kind::Sleep;
    QByteArray bytes;
    int ms = 0;
    qsizetype count = 0;
    std::function<void(ScriptedConnection &)> custom;

    static Step make(Kind kind, QByteArray bytes = {}, int ms = 0, qsizetype count = 0)
    {
        Step s;
        s.kind = kind;
        s.bytes = std::move(bytes);
        s.ms = ms;
        s.count = count;
        return s;
    }
    static Step send(QByteArray bytes) { return make(Kind::Send, std::move(bytes)); }
    static Step trickle(QByteArray bytes, int msApart) { return make(Kind::Trickle, std::move(bytes), msApart); }
    static Step sleep(int ms) { return make(Kind::Sleep, {}, ms); }
    static Step readUntil(QByteArray marker) { return make(Kind::ReadUntil, std::move(marker)); }
    static Step readBytes(qsizetype n) { return make(Kind::ReadBytes, {}, 0, n); }
    static Step readUntilClose() { return make(Kind::ReadUntilClose); }
    static Step shutdownWrite() { return make(Kind::ShutdownWrite); }
    static Step close() { return make(Kind::Close); }
    static Step reset() { return make(Kind::Reset); }
    static Step run(std::function<void(ScriptedConnection &)> fn)
    {
        Step s = make(Kind::Custom);
        s.custom = std::move(fn);
        return s;
    }
};
using Script = std::vector<Step>;

// One accepted connection, as a Custom step sees it. Every call returns false
// once the peer is gone or the server is stopping.
class ScriptedConnection {
public:
    bool send(const QByteArray &bytes);
    bool readUntil(const QByteArray &marker);
    bool readBytes(qsizetype n);
    void readUntilClose();
    bool sleep(int ms);
    // Waits until the client socket `peerFd` (of this process) has taken off
    // every byte this connection sent, so what is sent next arrives as a
    // piece of its own. False after `ms` or when the server stops.
    bool waitUntilTaken(int peerFd, int ms = 5000);
    // Waits until `gate` is opened (or `ms` passes, or the server stops).
    bool waitFor(class Gate &gate, int ms = 5000);
    void shutdownWrite();
    void close();
    void reset();
    QByteArray received() const;
    int fd() const { return m_fd; }

private:
    friend class ScriptedServer;
    struct Shared;
    ScriptedConnection(int fd, int index, Shared *shared);
    bool readSome();
    bool waitFor(short events, int ms);

    int m_fd;
    int m_index;
    Shared *m_shared;
};

class ScriptedServer {
public:
    struct Options {
        // Receive buffer of accepted sockets in bytes (0: the system's); a
        // small one makes a client's sends block sooner.
        int receiveBuffer = 0;
    };

    explicit ScriptedServer(std::vector<Script> scripts, Options options);
    explicit ScriptedServer(std::vector<Script> scripts) : ScriptedServer(std::move(scripts), Options{}) {}
    explicit ScriptedServer(Script script) : ScriptedServer(std::vector<Script>{std::move(script)}, Options{}) {}
    ScriptedServer(Script script, Options options) : ScriptedServer(std::vector<Script>{std::move(script)}, options) {}
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    quint16 port() const { return m_port; }

    // Connections accepted so far.
    int connections() const;
    // Waits (up to `ms`) until `n` connections were accepted.
    bool waitForConnections(int n, int ms = 5000) const;
    // Waits (up to `ms`) until the script of connection `index` has ended.
    bool waitForScriptEnd(int index, int ms = 5000) const;
    // Everything received on connection `index` so far.
    QByteArray received(int index) const;

    // Stops accepting, interrupts every script and closes every socket.
    void stop();

    // A port on 127.0.0.1 on which nothing listens (see refusingPort).
    static quint16 closedPort();

private:
    void acceptLoop();
    void play(int fd, int index);

    std::vector<Script> m_scripts;
    Options m_options;
    int m_listenFd = -1;
    quint16 m_port = 0;
    std::unique_ptr<ScriptedConnection::Shared> m_shared;
    std::thread m_acceptThread;
    std::vector<std::thread> m_connectionThreads;
};

} // namespace testing_support
