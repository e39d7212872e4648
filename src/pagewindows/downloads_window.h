#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QVBoxLayout;
class WebEngine;
namespace platform {
class Download;
}

// The small window that lists this run's downloads: name, a progress bar
// with bytes and speed, Cancel and Open folder for each. It shows itself
// when a download starts.
class DownloadsWindow : public QWidget {
    Q_OBJECT
public:
    DownloadsWindow();

    // Asks where to save `download` (a save dialog in the download folder
    // with the suggested name); starts it there and lists it, or cancels
    // it when the user cancels. With `page`, the dialog is a question of
    // that page (leaving the page cancels it) instead of the program's.
    void start(platform::Download *download, WebEngine *page = nullptr);

    // Lists a download that has been accepted.
    void add(platform::Download *download);

    // Downloads still receiving bytes.
    int running() const;
    // Stops every running download (their partial files go).
    void cancelAll();

private:
    QVBoxLayout *m_rows;
    QList<platform::Download *> m_downloads;
};
