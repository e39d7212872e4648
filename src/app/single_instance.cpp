#include "app/single_instance.h"

#include "toolkit/core/owner_only.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The hand-over: the later start sends a version byte, whether it has an
// address, and the address; the running program answers one byte once it
// has queued the request.
constexpr quint8 kVersion = 1;
constexpr char kTaken = 'k';
// An address from a command line is short; anything longer is no request.
constexpr qint64 kLargestRequest = 1 << 20;

void warn(const QString &text)
{
    std::fprintf(stderr, "kestrelon: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// The folder's one name: links resolved, so every way to it is the same key.
QString absoluteFolder(const QString &folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Whether the process at the other end of a local socket runs as this user.
// The folder of the socket is the user's alone, so anything else there is
// someone's trap; what it would hand over or receive is never used.
bool peerIsThisUser(qintptr descriptor)
{
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return descriptor >= 0 && ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && size == sizeof peer && peer.uid == ::getuid();
}

// Where the hand-over socket lives: the user's runtime folder, or a folder
// of ours in the temporary folder. Both must be the user's alone: in a
// folder others can enter, whoever binds the name first would receive the
// addresses of the user's later starts. Empty, with the reason in
// `problem`, when there is no such folder.
QString socketFolder(QString *problem)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && toolkit::isOwnerOnlyFolder(runtime))
        return runtime;
    const QString ours = QDir::tempPath() + QStringLiteral("/kestrelon-%1").arg(::getuid());
    const QString why = toolkit::makeOwnerOnlyFolder(ours);
    if (why.isEmpty())
        return ours;
    if (problem)
        *problem = why;
    return {};
}

} // namespace

// Lives on the listening thread: takes requests and answers them at once.
class InstanceListener : public QObject {
    Q_OBJECT
public:
    bool listen(const QString &name)
    {
        // Only this user may hand addresses over.
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        // The lock is held, so a socket left under the name is a killed
        // program's.
        QLocalServer::removeServer(name);
        connect(&m_server, &QLocalServer::newConnection, this, &InstanceListener::accept);
        return m_server.listen(name);
    }

signals:
    void received(bool hasAddress, const QString &address);

private:
    void accept()
    {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            if (!peerIsThisUser(socket->socketDescriptor())) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
            read(socket);
        }
    }

    void read(QLocalSocket *socket)
    {
        if (socket->bytesAvailable() > kLargestRequest) {
            socket->abort();
            return;
        }
        QDataStream in(socket);
        in.setVersion(QDataStream::Qt_6_4);
        in.startTransaction();
        quint8 version = 0;
        bool hasAddress = false;
        QString address;
        in >> version >> hasAddress >> address;
        if (!in.commitTransaction())
            return; // the rest is still on its way
        if (version != kVersion) {
            socket->abort();
            return;
        }
        // A start that gave up waiting has gone, and told its user that
        // nothing happened: its request is dropped, not opened late.
        socket->write(&kTaken, 1);
        socket->flush();
        if (socket->state() == QLocalSocket::ConnectedState && socket->bytesToWrite() == 0)
            emit received(hasAddress, address);
        socket->disconnectFromServer();
    }

    QLocalServer m_server{this};
};

SingleInstance::SingleInstance(const QString &installationFolder, QObject *parent)
    : QObject(parent), m_folder(absoluteFolder(installationFolder)), m_lock(m_folder + QStringLiteral("/.kestrelon.lock"))
{
    // Only a dead owner makes a lock stale; a program may run for weeks.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_listener) {
        m_thread.quit();
        m_thread.wait();
    }
}

QString SingleInstance::serverName(const QString &installationFolder)
{
    const QString folder = socketFolder(nullptr);
    if (folder.isEmpty())
        return {};
    const QByteArray key = QFile::encodeName(absoluteFolder(installationFolder));
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32);
    return folder + QStringLiteral("/kestrelon-%1").arg(QString::fromLatin1(hash));
}

SingleInstance::Outcome SingleInstance::start(const std::optional<QString> &address)
{
    const QDeadlineTimer deadline(kAnswerMs);
    QString socketProblem;
    socketFolder(&socketProblem);
    do {
        if (m_lock.tryLock(0)) {
            if (!listen())
                warn(QStringLiteral("cannot listen for later starts on %1%2; they will not reach this program")
                         .arg(m_folder, socketProblem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(socketProblem)));
            return Outcome::First;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            warn(QStringLiteral("cannot lock the installation folder %1; starting anyway, but a second "
                                "copy started on it would not be noticed")
                     .arg(m_folder));
            return Outcome::Unguarded;
        }
        if (!socketProblem.isEmpty())
            break;
        if (handOver(address, deadline, &socketProblem))
            return Outcome::HandedOver;
        // The running program may be between taking the lock and listening,
        // or may have just ended and freed the lock: look again shortly.
        QThread::msleep(50);
    } while (!deadline.hasExpired() && socketProblem.isEmpty());
    if (!socketProblem.isEmpty()) {
        warn(QStringLiteral("Kestrelon is already running in %1, but it cannot be reached safely (%2); not "
                            "starting a second copy")
                 .arg(m_folder, socketProblem));
        return Outcome::NoAnswer;
    }
    warn(QStringLiteral("Kestrelon is already running in %1 but does not answer; not starting a second copy")
             .arg(m_folder));
    return Outcome::NoAnswer;
}

bool SingleInstance::listen()
{
    m_listener = new InstanceListener;
    m_listener->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_listener, &QObject::deleteLater);
    connect(m_listener, &InstanceListener::received, this, [this](bool hasAddress, const QString &text) {
        emit requested(hasAddress ? std::optional<QString>(text) : std::nullopt);
    });
    m_thread.start();
    bool listening = false;
    const QString name = serverName(m_folder);
    if (name.isEmpty())
        return false;
    QMetaObject::invokeMethod(
        m_listener, [&] { listening = m_listener->listen(name); }, Qt::BlockingQueuedConnection);
    return listening;
}

bool SingleInstance::handOver(const std::optional<QString> &address, const QDeadlineTimer &deadline,
                              QString *problem)
{
    const auto left = [&] { return int(std::max<qint64>(1, deadline.remainingTime())); };
    const QString name = serverName(m_folder);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(left()))
        return false;
    if (!peerIsThisUser(socket.socketDescriptor())) {
        socket.abort();
        *problem = QStringLiteral("%1 is held by another user").arg(name);
        return false;
    }
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << kVersion << address.has_value() << address.value_or(QString());
    socket.write(request);
    if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(left()))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(left()))
            return false;
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}

#include "single_instance.moc"
