#include "app/window_places.h"

#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace windowplaces {
namespace {

// The file is a few lines; anything much longer is not ours.
constexpr qint64 kMaxFileBytes = 64 * 1024;
// The part of a caption that must lie on a screen for the window to be
// grabbed and moved back: this much of its width and this high.
constexpr int kGripWidth = 40;
constexpr int kGripHeight = 20;
// Smaller than this no window of ours is usable, nor left so by a user.
constexpr int kMinimumSide = 50;

bool readPair(const QByteArray &text, int &a, int &b)
{
    const QList<QByteArray> parts = text.split(',');
    if (parts.size() != 2)
        return false;
    bool okA = false;
    bool okB = false;
    a = parts[0].trimmed().toInt(&okA);
    b = parts[1].trimmed().toInt(&okB);
    return okA && okB;
}

QRect frameOf(const QWidget &window)
{
    return QRect(window.pos(), window.size());
}

// Puts the window's outer top-left corner at `place`, whether or not its
// native window exists yet (Qt's move() places the inner corner once it
// does).
void placeFrame(QWidget &window, QPoint place)
{
    if (window.testAttribute(Qt::WA_WState_Created) && window.windowHandle())
        window.windowHandle()->setFramePosition(place);
    else
        window.move(place);
}

} // namespace

QHash<QString, Place> parse(const QByteArray &bytes)
{
    QHash<QString, Place> places;
    QSet<QString> placed;
    for (const QByteArray &rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        const qsizetype dot = line.indexOf('.');
        if (equals < 0 || dot <= 0 || dot > equals)
            continue;
        const QString window = QString::fromLatin1(line.left(dot));
        const QByteArray key = line.mid(dot + 1, equals - dot - 1);
        const QByteArray value = line.mid(equals + 1);
        int a = 0;
        int b = 0;
        if (key == "place" && readPair(value, a, b)) {
            places[window].place = QPoint(a, b);
            placed.insert(window);
        } else if (key == "size" && readPair(value, a, b)) {
            places[window].size = QSize(a, b);
        } else if (key == "maximized" && (value == "0" || value == "1")) {
            places[window].maximized = value == "1";
        }
    }
    // A size or a state without a place says nothing we can use.
    for (auto it = places.begin(); it != places.end();) {
        if (placed.contains(it.key()))
            ++it;
        else
            it = places.erase(it);
    }
    return places;
}

QByteArray format(const QHash<QString, Place> &places)
{
    QStringList names = places.keys();
    names.sort();
    QByteArray bytes;
    for (const QString &name : std::as_const(names)) {
        const Place &p = places.value(name);
        const QByteArray key = name.toLatin1();
        bytes += key + ".place=" + QByteArray::number(p.place.x()) + ',' + QByteArray::number(p.place.y()) + '\n';
        if (!p.size.isEmpty()) {
            bytes +=
                key + ".size=" + QByteArray::number(p.size.width()) + ',' + QByteArray::number(p.size.height()) + '\n';
            bytes += key + ".maximized=" + (p.maximized ? "1" : "0") + '\n';
        }
    }
    return bytes;
}

bool reachable(QPoint place, QSize size, const QList<QRect> &screens)
{
    const QRect grip(place, QSize(qMax(size.width(), kGripWidth), kGripHeight));
    return std::any_of(screens.begin(), screens.end(), [&](const QRect &screen) {
        const QRect shown = grip.intersected(screen);
        return shown.width() >= kGripWidth && shown.height() >= kGripHeight;
    });
}

bool plausibleSize(QSize size, const QList<QRect> &screens)
{
    if (size.width() < kMinimumSide || size.height() < kMinimumSide)
        return false;
    return std::any_of(screens.begin(), screens.end(), [&](const QRect &screen) {
        return size.width() <= screen.width() && size.height() <= screen.height();
    });
}

QList<QRect> connectedScreens()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

Keeper::Keeper(QString filePath, QList<QWidget *> windows, QObject *parent)
    : QObject(parent), m_path(std::move(filePath)), m_windows(std::move(windows))
{
    m_browser = m_windows.value(0);
    QHash<QString, Place> saved;
    QFile file(m_path);
    if (!m_path.isEmpty() && file.open(QIODevice::ReadOnly) && file.size() <= kMaxFileBytes)
        saved = parse(file.readAll());
    restore(saved);
    if (m_browser)
        m_normal = m_previousNormal = frameOf(*m_browser);
    for (QWidget *window : std::as_const(m_windows))
        m_firstPlaces.insert(window, window->pos());
    // The windows and their native windows are watched where the
    // application hands out their events, so no window carries a filter of
    // ours and a native window put in place later is seen as well.
    qApp->installEventFilter(this);
}

QString Keeper::defaultFile()
{
    // The callers resolve it once, while the installation folder is the
    // current one, so the bookmarks window moving it never moves the file.
    return QFileInfo(toolkit::resolvePath(QStringLiteral("engine\\windows.ini"))).absoluteFilePath();
}

void Keeper::restore(const QHash<QString, Place> &saved)
{
    const QList<QRect> screens = connectedScreens();
    for (QWidget *window : std::as_const(m_windows)) {
        const auto found = saved.constFind(QString::fromLatin1(window->metaObject()->className()));
        if (found == saved.constEnd())
            continue;
        m_placed.insert(window);
        const bool isBrowser = window == m_browser;
        QSize size = window->size();
        if (isBrowser && plausibleSize(found->size, screens))
            size = found->size;
        if (reachable(found->place, size, screens))
            placeFrame(*window, found->place);
        if (isBrowser) {
            window->resize(size);
            m_maximizeWhenShown = found->maximized;
        }
    }
}

bool Keeper::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Expose:
    case QEvent::WinIdChange:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        break;
    default:
        return false;
    }
    // A place given before a window's native window exists is meant as its
    // outer corner, but at the first map Qt hands it to the window manager
    // as the inside's corner (the frame's size is not known yet), and the
    // frame lands a title bar higher. Once the window is on screen the
    // frame is known, and the frame is put where it was meant to be.
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        const auto first = m_firstPlaces.constFind(static_cast<QWidget *>(watched));
        if (first != m_firstPlaces.constEnd()) {
            if (QWindow *handle = first.key()->windowHandle())
                m_framesToPlace.insert(handle, {first.key(), first.value()});
            m_firstPlaces.erase(first);
        }
    } else if (event->type() == QEvent::Expose) {
        const auto pending = m_framesToPlace.constFind(watched);
        auto *handle = static_cast<QWindow *>(watched);
        if (pending != m_framesToPlace.constEnd() && handle->isExposed() && !handle->frameMargins().isNull()) {
            const auto [window, place] = pending.value();
            m_framesToPlace.erase(pending);
            if (handle->framePosition() != place)
                window->move(place);
        }
    }
    if (event->type() == QEvent::Show && watched->isWidgetType() && m_windows.contains(static_cast<QWidget *>(watched)))
        m_placed.insert(static_cast<QWidget *>(watched));
    if (m_maximizeWhenShown) {
        // Maximised once the window is on screen: a state set before would
        // not survive the native window the web view puts in place at the
        // first show. The normal place and size stay the restored ones.
        if (watched == m_browser->windowHandle() && event->type() == QEvent::Expose
            && m_browser->windowHandle()->isExposed()) {
            m_maximizeWhenShown = false;
            m_browser->setWindowState(m_browser->windowState() | Qt::WindowMaximized);
        }
    }
    if (watched == m_browser) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize: rememberNormalGeometry(); break;
        case QEvent::WindowStateChange:
            // The maximising move came first and was taken for a normal one.
            if ((m_browser->windowState() & Qt::WindowMaximized) && m_normal == frameOf(*m_browser))
                m_normal = m_previousNormal;
            break;
        default: break;
        }
    }
    return false;
}

void Keeper::rememberNormalGeometry()
{
    if (!m_browser->isVisible()
        || (m_browser->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        return;
    const QRect now = frameOf(*m_browser);
    if (now == m_normal)
        return;
    m_previousNormal = m_normal;
    m_normal = now;
}

void Keeper::save() const
{
    QHash<QString, Place> places;
    for (QWidget *window : std::as_const(m_windows)) {
        // A window never shown has no place of its own to keep: some are
        // left for the window manager to place.
        if (!m_placed.contains(window))
            continue;
        Place p;
        if (window == m_browser) {
            p.maximized = window->windowState() & Qt::WindowMaximized;
            const QRect normal =
                (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
                    ? m_normal
                    : frameOf(*window);
            p.place = normal.topLeft();
            p.size = normal.size();
        } else {
            p.place = window->pos();
        }
        places.insert(QString::fromLatin1(window->metaObject()->className()), p);
    }
    // The engine folder only: an installation folder that has gone away is
    // not made again under the program.
    QDir().mkdir(QFileInfo(m_path).absolutePath());
    toolkit::replaceFileAtomically(m_path, format(places));
}

} // namespace windowplaces
