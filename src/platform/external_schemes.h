#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

class QWidget;

namespace platform {

// Whether the engine shows `url` itself; any other scheme (mailto:, a
// program's own) can only be handed to another program.
bool engineShowsScheme(const QUrl &url);

// The page every engine view uses. It keeps pages from files to their own
// folder (LocalPageRequests), and links whose scheme the engine cannot show
// reach it only after a click in the page (the profile's setting), and go to
// another program only when the user says yes to "Open this link with
// another program?", asked in the page's window without holding the program.
// The answer may be kept for the site like a permission answer.
class EnginePage : public QWebEnginePage {
public:
    EnginePage(QWebEngineProfile *profile, QWidget *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    void askToOpen(const QUrl &link);

    QWidget *m_view;
    QPointer<QMessageBox> m_question;
};

} // namespace platform
