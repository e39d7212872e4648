#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QSize>
#include <QString>

#include <utility>

class QWidget;

// Where the user left the windows, kept across runs in a small file of the
// engine folder ("windows.ini") and written at the close step. The browser
// window keeps its place, its size and whether it was maximised; every
// other window of the set its place. The first start, and every window the
// file does not name, uses the places and sizes the windows are created
// with. A saved place that no connected screen shows (a monitor that has
// gone) or a size that no screen can hold falls back to the window's own;
// a file that does not read as ours is ignored and replaced at the next close.
namespace windowplaces {

struct Place {
    QPoint place;
    QSize size;             // empty: the place only
    bool maximized = false; // the browser window's state
};

// The file's lines, one value a line: "TForm1.place=187,125",
// "TForm1.size=788,450", "TForm1.maximized=1". Lines that do not read so
// are skipped.
QHash<QString, Place> parse(const QByteArray &bytes);
QByteArray format(const QHash<QString, Place> &places);

// Whether a window whose outer top-left corner is at `place` and whose
// size is `size` could still be grabbed by its caption on one of `screens`
// (their available areas).
bool reachable(QPoint place, QSize size, const QList<QRect> &screens);
// Whether `size` is one a user could have left a window at on `screens`.
bool plausibleSize(QSize size, const QList<QRect> &screens);

// The available areas of the screens now connected.
QList<QRect> connectedScreens();

// Keeps the places of `windows` (the browser window first) in `filePath`.
// Construct it once every window exists and before any is shown: it puts
// each window where the file says.
class Keeper : public QObject {
public:
    Keeper(QString filePath, QList<QWidget *> windows, QObject *parent = nullptr);

    // Writes the file (atomically) from where the windows are now. Throws
    // the library's error when it cannot be written.
    void save() const;

    // "engine/windows.ini" in the installation folder (the current folder when
    // called).
    static QString defaultFile();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restore(const QHash<QString, Place> &saved);
    void rememberNormalGeometry();

    QString m_path;
    QList<QWidget *> m_windows;
    QWidget *m_browser = nullptr;
    // The browser window's place and size while neither maximised nor
    // minimised, and the one before it: the move to the maximised
    // geometry can arrive before the news of the state.
    QRect m_normal;
    QRect m_previousNormal;
    // The windows with a place to keep: shown in this run, or placed from
    // the file.
    QSet<QWidget *> m_placed;
    bool m_maximizeWhenShown = false;
    // Where each window not shown yet goes: its frame's corner.
    QHash<QWidget *, QPoint> m_firstPlaces;
    // Shown, and waiting for the frame's size to be known.
    QHash<QObject *, std::pair<QWidget *, QPoint>> m_framesToPlace;
};

} // namespace windowplaces
