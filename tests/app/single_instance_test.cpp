// The hand-over between two starts on one folder, both in this process: the
// protocol, and a server that survives clients that are not later starts.

#include "app/single_instance.h"
#include "support/core/temp_folder.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using Outcome = SingleInstance::Outcome;

TEST(SingleInstance, ALaterStartHandsItsAddressOrNoneToTheFirst)
{
    testing_support::TempCurrentFolder folder;
    SingleInstance first(folder.path());
    ASSERT_EQ(first.start(std::nullopt), Outcome::First);
    QSignalSpy requests(&first, &SingleInstance::requested);

    {
        SingleInstance later(folder.path());
        EXPECT_EQ(later.start(QStringLiteral("http://127.0.0.1:1/\u00e9 x")), Outcome::HandedOver);
    }
    ASSERT_TRUE(requests.wait(10000));
    EXPECT_EQ(requests.at(0).at(0).value<std::optional<QString>>(), QStringLiteral("http://127.0.0.1:1/\u00e9 x"));

    {
        SingleInstance later(folder.path() + "/."); // the same folder by another spelling
        EXPECT_EQ(later.start(std::nullopt), Outcome::HandedOver);
    }
    ASSERT_TRUE(requests.count() == 2 || requests.wait(10000));
    EXPECT_FALSE(requests.at(1).at(0).value<std::optional<QString>>().has_value());
}

TEST(SingleInstance, ClientsThatAreNoLaterStartChangeNothing)
{
    testing_support::TempCurrentFolder folder;
    SingleInstance first(folder.path());
    ASSERT_EQ(first.start(std::nullopt), Outcome::First);
    QSignalSpy requests(&first, &SingleInstance::requested);

    // Another version of the hand-over, a flood, and one that says half and goes.
    QLocalSocket wrongVersion, flood, half;
    for (QLocalSocket *socket : {&wrongVersion, &flood, &half}) {
        socket->connectToServer(SingleInstance::serverName(folder.path()));
        ASSERT_TRUE(socket->waitForConnected(10000));
    }
    QByteArray request;
    QDataStream(&request, QIODevice::WriteOnly) << quint8(9) << true << QStringLiteral("http://x/");
    wrongVersion.write(request);
    flood.write(QByteArray(2 << 20, 'x'));
    half.write(QByteArray("\x01\x01\x00", 3));
    for (QLocalSocket *socket : {&wrongVersion, &flood, &half})
        socket->flush();
    half.disconnectFromServer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return wrongVersion.state() == QLocalSocket::UnconnectedState; }, 10000));

    // A real later start still gets through, and it alone is taken.
    SingleInstance later(folder.path());
    EXPECT_EQ(later.start(QStringLiteral("http://127.0.0.1:1/real")), Outcome::HandedOver);
    ASSERT_TRUE(requests.wait(10000));
    QTest::qWait(0);
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests.at(0).at(0).value<std::optional<QString>>(), QStringLiteral("http://127.0.0.1:1/real"));
}

TEST(SingleInstance, FoldersAreKeptApart)
{
    testing_support::TempCurrentFolder one;
    testing_support::TempCurrentFolder two;
    EXPECT_NE(SingleInstance::serverName(one.path()), SingleInstance::serverName(two.path()));
    SingleInstance a(one.path());
    SingleInstance b(two.path());
    EXPECT_EQ(a.start(std::nullopt), Outcome::First);
    EXPECT_EQ(b.start(std::nullopt), Outcome::First);
}

namespace {

// Another user on the machine (uid 65534) who got to a socket name first:
// a process of its own that listens at `socketPath` and keeps whatever it
// is sent. `ownFolder` is made first as that user's, open to all. With
// `bindAsUser` false the name is bound before the user changes (root may
// bind where the other user could not), so only the credentials at the
// other end tell it apart.
class Squatter {
public:
    Squatter(const QString &ownFolder, const QString &socketPath, bool bindAsUser)
    {
        const QByteArray folder = QFile::encodeName(ownFolder);
        const QByteArray path = QFile::encodeName(socketPath);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::min<size_t>(path.size(), sizeof address.sun_path - 1));
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(m_log) != 0)
            return;
        m_pid = ::fork();
        if (m_pid != 0) {
            ::close(ready[1]);
            char byte = 0;
            m_listening = ::read(ready[0], &byte, 1) == 1;
            ::close(ready[0]);
            ::close(m_log[1]);
            return;
        }
        // Only system calls from here: the child of a threaded process.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto drop = [] { return ::setgroups(0, nullptr) == 0 && ::setresgid(65534, 65534, 65534) == 0 && ::setresuid(65534, 65534, 65534) == 0; };
        if (bindAsUser && !drop())
            ::_exit(1);
        if (!folder.isEmpty()) {
            ::mkdir(folder.constData(), 0777);
            ::chmod(folder.constData(), 0777);
        }
        ::unlink(address.sun_path);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || (!bindAsUser && !drop())
            || ::listen(fd, 8) != 0)
            ::_exit(1);
        ::write(ready[1], "r", 1);
        for (;;) {
            const int peer = ::accept(fd, nullptr, nullptr);
            char buffer[4096];
            ssize_t n;
            while (peer >= 0 && (n = ::read(peer, buffer, sizeof buffer)) > 0)
                ::write(m_log[1], buffer, size_t(n));
            ::close(peer);
        }
    }
    ~Squatter() { stop(); }
    bool listening() const { return m_listening; }
    // What it was sent; read once it is gone.
    QByteArray received()
    {
        stop();
        QByteArray bytes;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_log[0], buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        return bytes;
    }

private:
    void stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    pid_t m_pid = -1;
    int m_log[2] = {-1, -1};
    bool m_listening = false;
};

// A temporary folder of the system's sort (anyone may create in it) as the
// program's temporary folder, with no runtime folder, for the test's span.
class SharedTemporaryFolder {
public:
    SharedTemporaryFolder()
    {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 01777);
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    }
    QString path() const { return m_dir.path(); }

private:
    struct Restored {
        explicit Restored(const char *name) : name(name), set(qEnvironmentVariableIsSet(name)), value(qgetenv(name)) {}
        ~Restored() { set ? qputenv(name, value) : qunsetenv(name); }
        const char *name;
        bool set;
        QByteArray value;
    };
    Restored m_runtime{"XDG_RUNTIME_DIR"};
    Restored m_tmp{"TMPDIR"};
    QTemporaryDir m_dir;
};

// The program holds the folder (here the test holds its lock) but could not
// listen: a later start must end without a word to the squatter.
void laterStartTellsNothing(const QString &installation, Squatter &squatter)
{
    ASSERT_TRUE(squatter.listening());
    QLockFile running(installation + QStringLiteral("/.kestrelon.lock"));
    ASSERT_TRUE(running.tryLock(0));
    SingleInstance later(installation);
    EXPECT_EQ(later.start(QStringLiteral("http://127.0.0.1:1/?token=secret")), Outcome::NoAnswer);
    EXPECT_EQ(squatter.received(), QByteArray());
}

} // namespace

// A later start finds no one rather than someone else.
TEST(SingleInstance, ANameTakenByAnotherUserFirstNeverReceivesAnAddress)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    testing_support::TempCurrentFolder installation;
    QString where;
    {
        // Where a start would put its socket, seen from a folder nobody squats.
        SharedTemporaryFolder clean;
        where = QDir(clean.path()).relativeFilePath(SingleInstance::serverName(installation.path()));
    }
    ASSERT_FALSE(where.isEmpty());
    SharedTemporaryFolder shared;
    const QString folder = where.contains('/') ? shared.path() + '/' + where.section('/', 0, -2) : QString();
    Squatter squatter(folder, shared.path() + '/' + where, true);
    laterStartTellsNothing(installation.path(), squatter);
}

TEST(SingleInstance, APeerOfAnotherUserInTheUsersOwnFolderIsNotTrusted)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    testing_support::TempCurrentFolder installation;
    SharedTemporaryFolder shared;
    const QString name = SingleInstance::serverName(installation.path());
    ASSERT_FALSE(name.isEmpty());
    Squatter squatter(QString(), name, false);
    laterStartTellsNothing(installation.path(), squatter);
}
