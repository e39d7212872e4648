#include "support/core/scripted_server.h"
#include "support/core/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

struct ScriptedConnection::Shared {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<QByteArray> received;
    std::vector<bool> ended;
    int stopPipe[2] = {-1, -1}; // readable once the server stops
    std::atomic<bool> stopping{false};
};

namespace {

void setNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

using Clock = std::chrono::steady_clock;

} // namespace

ScriptedConnection::ScriptedConnection(int fd, int index, Shared *shared)
    : m_fd(fd), m_index(index), m_shared(shared)
{
}

// Waits until the socket has `events` or `ms` pass (-1: no limit); false when
// the server stops or the time passes.
bool ScriptedConnection::waitFor(short events, int ms)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        pollfd fds[2] = {{m_fd, events, 0}, {m_shared->stopPipe[0], POLLIN, 0}};
        int wait = -1;
        if (ms >= 0) {
            wait = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (wait < 0)
                wait = 0;
        }
        const int n = ::poll(fds, 2, wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (fds[1].revents || m_shared->stopping)
            return false;
        return n > 0 && fds[0].revents;
    }
}

bool ScriptedConnection::send(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (!waitFor(POLLOUT, -1))
            return false;
        const ssize_t n = ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

// Reads what is there into the record; false at the peer's close, an error or stop.
bool ScriptedConnection::readSome()
{
    if (!waitFor(POLLIN, -1))
        return false;
    char buffer[65536];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    std::lock_guard lock(m_shared->mutex);
    m_shared->received[size_t(m_index)].append(buffer, n);
    m_shared->changed.notify_all();
    return true;
}

bool ScriptedConnection::readUntil(const QByteArray &marker)
{
    while (!received().contains(marker))
        if (!readSome())
            return false;
    return true;
}

bool ScriptedConnection::readBytes(qsizetype n)
{
    const qsizetype target = received().size() + n;
    while (received().size() < target)
        if (!readSome())
            return false;
    return true;
}

void ScriptedConnection::readUntilClose()
{
    while (readSome()) {
    }
}

bool ScriptedConnection::waitUntilTaken(int peerFd, int ms)
{
    // Nothing signals that a peer read; the queues are looked at every
    // millisecond: unacknowledged bytes here, unread bytes there.
    pollfd stop = {m_shared->stopPipe[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        int unsent = 0;
        int unread = 0;
        if (::ioctl(m_fd, SIOCOUTQ, &unsent) == 0 && ::ioctl(peerFd, FIONREAD, &unread) == 0 && unsent == 0 &&
            unread == 0)
            return true;
        if (::poll(&stop, 1, 1) > 0)
            return false; // the server stops
    }
    return false;
}

bool ScriptedConnection::waitFor(Gate &gate, int ms)
{
    // In short steps, so that a stopping server is not kept waiting.
    for (int waited = 0; waited < ms; waited += 10) {
        if (gate.waitOpen(10))
            return true;
        if (m_shared->stopping)
            return false;
    }
    return false;
}

bool ScriptedConnection::sleep(int ms)
{
    pollfd fd = {m_shared->stopPipe[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return true;
        if (::poll(&fd, 1, int(left)) > 0)
            return false;
    }
}

void ScriptedConnection::shutdownWrite()
{
    ::shutdown(m_fd, SHUT_WR);
}

void ScriptedConnection::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void ScriptedConnection::reset()
{
    if (m_fd < 0)
        return;
    linger l{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

QByteArray ScriptedConnection::received() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->received[size_t(m_index)];
}

ScriptedServer::ScriptedServer(std::vector<Script> scripts, Options options)
    : m_scripts(std::move(scripts)), m_options(options), m_shared(std::make_unique<ScriptedConnection::Shared>())
{
    if (m_scripts.empty())
        m_scripts.push_back({});
    if (::pipe(m_shared->stopPipe) != 0)
        qFatal("ScriptedServer: pipe failed");
    const LoopbackListener listener = listenOnLoopback(16, m_options.receiveBuffer);
    m_listenFd = listener.fd;
    m_port = listener.port;
    setNonBlocking(m_listenFd);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    stop();
    ::close(m_shared->stopPipe[0]);
    ::close(m_shared->stopPipe[1]);
}

void ScriptedServer::stop()
{
    if (!m_shared->stopping.exchange(true)) {
        const char byte = 1;
        (void)!::write(m_shared->stopPipe[1], &byte, 1);
    }
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    // The accept thread has ended, so no new connection thread can appear.
    for (auto &t : m_connectionThreads)
        if (t.joinable())
            t.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    m_listenFd = -1;
}

void ScriptedServer::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_shared->stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept(m_listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        setNonBlocking(fd);
        int index;
        {
            std::lock_guard lock(m_shared->mutex);
            index = int(m_shared->received.size());
            m_shared->received.emplace_back();
            m_shared->ended.push_back(false);
            m_shared->changed.notify_all();
        }
        m_connectionThreads.emplace_back([this, fd, index] { play(fd, index); });
    }
}

void ScriptedServer::play(int fd, int index)
{
    ScriptedConnection c(fd, index, m_shared.get());
    const Script &script = m_scripts[std::min(size_t(index), m_scripts.size() - 1)];
    bool go = true;
    for (const Step &step : script) {
        if (!go || c.fd() < 0)
            break;
        switch (step.kind) {
        case Step::Kind::Send:
            go = c.send(step.bytes);
            break;
        case Step::Kind::Trickle:
            for (char ch : step.bytes) {
                go = c.send(QByteArray(1, ch)) && c.sleep(step.ms);
                if (!go)
                    break;
            }
            break;
        case Step::Kind::Sleep:
            go = c.sleep(step.ms);
            break;
        case Step::Kind::ReadUntil:
            go = c.readUntil(step.bytes);
            break;
        case Step::Kind::ReadBytes:
            go = c.readBytes(step.count);
            break;
        case Step::Kind::ReadUntilClose:
            c.readUntilClose();
            break;
        case Step::Kind::ShutdownWrite:
            c.shutdownWrite();
            break;
        case Step::Kind::Close:
            c.close();
            break;
        case Step::Kind::Reset:
            c.reset();
            break;
        case Step::Kind::Custom:
            step.custom(c);
            break;
        }
    }
    // A script that ends without closing keeps the connection open (silent)
    // until the server stops, so a client can be made to wait.
    if (c.fd() >= 0) {
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->ended[size_t(index)] = true;
            m_shared->changed.notify_all();
        }
        c.sleep(24 * 3600 * 1000);
        c.close();
        return;
    }
    std::lock_guard lock(m_shared->mutex);
    m_shared->ended[size_t(index)] = true;
    m_shared->changed.notify_all();
}

int ScriptedServer::connections() const
{
    std::lock_guard lock(m_shared->mutex);
    return int(m_shared->received.size());
}

bool ScriptedServer::waitForConnections(int n, int ms) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                      [&] { return int(m_shared->received.size()) >= n; });
}

bool ScriptedServer::waitForScriptEnd(int index, int ms) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, std::chrono::milliseconds(ms), [&] {
        return size_t(index) < m_shared->ended.size() && m_shared->ended[size_t(index)];
    });
}

QByteArray ScriptedServer::received(int index) const
{
    std::lock_guard lock(m_shared->mutex);
    if (index < 0 || size_t(index) >= m_shared->received.size())
        return {};
    return m_shared->received[size_t(index)];
}

quint16 ScriptedServer::closedPort()
{
    return refusingPort();
}

} // namespace testing_support
