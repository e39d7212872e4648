#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

class QTimer;
class TForm2;

// The page on screen, kept in a small file of the engine folder
// ("last-page.txt") while the program runs and removed by the close step.
// A start that finds the file knows the run before it did not end through
// its close step (a crash, a kill, a power cut), and can offer that page.
//
// Only addresses a user opens as pages are kept and offered: http and https
// with a host, and file. Anything else the file may hold (a script address,
// a data address, text that is no address, a file far longer than any
// address) offers nothing, so the file can never make the program run code.
namespace lastpage {

// Whether `address` is one that may be kept and offered.
bool offerable(const QString &address);

// What the run before left in `filePath`: an address to offer, or nothing.
// The file is removed either way, so a crash of this run before its first
// page never offers the older page again.
std::optional<QString> takeLeftOver(const QString &filePath);

// Takes what the run before left and, unless this start was given an
// address of its own to open, asks once the main window is shown whether to
// open it; Yes opens it through Go, counted and recorded as any Go.
void offerLeftOver(TForm2 &main, bool startedWithAddress);

// "engine/last-page.txt" in the installation folder (the current folder
// when called).
QString defaultFile();

// Keeps the file up to date with the page on screen, writing it at most
// once a second (the latest address wins).
class Recorder : public QObject {
public:
    explicit Recorder(QString filePath, QObject *parent = nullptr);

    // The engine reports `address` complete.
    void pageCompleted(const QString &address);
    // The close step: the file goes, and nothing more is written until
    // another page completes (a cancelled log-off runs on).
    void closed();

private:
    void write();

    QString m_path;
    QString m_pending;
    QString m_written;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_lastWrite;
};

} // namespace lastpage
