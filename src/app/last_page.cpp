#include "app/last_page.h"

#include "app/main_window.h"

#include "toolkit/core/exceptions.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>

// Start-up milestones (off by default): whether a page was offered.
Q_LOGGING_CATEGORY(lcLeftOver, "kestrelon.startup", QtWarningMsg)

namespace lastpage {
namespace {

// Longer than any address a page is opened by; a longer file is not ours.
constexpr qint64 kMaxAddressBytes = 64 * 1024;
// The file is written at most this often, however fast pages complete.
constexpr int kWriteIntervalMs = 1000;

} // namespace

bool offerable(const QString &address)
{
    if (address.isEmpty() || address.size() > kMaxAddressBytes)
        return false;
    for (const QChar c : address) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    if (scheme == QLatin1String("file"))
        return !url.path().isEmpty();
    return false;
}

std::optional<QString> takeLeftOver(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kMaxAddressBytes + 1);
    file.close();
    QFile::remove(filePath);
    if (bytes.size() > kMaxAddressBytes)
        return std::nullopt;
    QString address = QString::fromUtf8(bytes);
    if (address.endsWith(QLatin1Char('\n')))
        address.chop(1);
    if (!offerable(address))
        return std::nullopt;
    return address;
}

void offerLeftOver(TForm2 &main, bool startedWithAddress)
{
    const std::optional<QString> address = takeLeftOver(defaultFile());
    if (!address || startedWithAddress) {
        qCInfo(lcLeftOver) << "no page to reopen";
        return;
    }
    // Asked once the message loop runs, so the main window is on screen.
    QTimer::singleShot(0, &main, [&main, page = *address] {
        qCInfo(lcLeftOver) << "asking to reopen the page";
        toolkit::guarded([&] {
            if (!toolkit::askYesNo(QStringLiteral("Kestrelon did not close properly. Open the page you were on?")))
                return;
            main.setAddressText(page);
            main.Button1Click();
        });
    });
}

QString defaultFile()
{
    // The callers resolve it once, while the installation folder is the
    // current one, so the bookmarks window moving it never moves the file.
    return QFileInfo(toolkit::resolvePath(QStringLiteral("engine\\last-page.txt"))).absoluteFilePath();
}

Recorder::Recorder(QString filePath, QObject *parent) : QObject(parent), m_path(std::move(filePath))
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { write(); });
}

void Recorder::pageCompleted(const QString &address)
{
    if (m_path.isEmpty() || !offerable(address))
        return;
    m_pending = address;
    if (m_pending == m_written || m_timer->isActive())
        return;
    const qint64 since = m_lastWrite.isValid() ? m_lastWrite.elapsed() : kWriteIntervalMs;
    if (since >= kWriteIntervalMs)
        write();
    else
        m_timer->start(int(kWriteIntervalMs - since));
}

void Recorder::write()
{
    if (m_pending == m_written)
        return;
    m_lastWrite.start();
    try {
        QDir().mkdir(QFileInfo(m_path).absolutePath());
        toolkit::replaceFileAtomically(m_path, m_pending.toUtf8() + '\n');
        m_written = m_pending;
    } catch (const Exception &e) {
        // A full disk costs the offer after a crash, nothing else: the user
        // is not interrupted for it while browsing.
        qWarning().noquote() << "kestrelon: cannot keep the open page:" << e.message();
    }
}

void Recorder::closed()
{
    m_timer->stop();
    m_pending.clear();
    m_written.clear();
    QFile::remove(m_path);
}

} // namespace lastpage
