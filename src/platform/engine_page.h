#pragma once

#include "platform/script_questions.h"

#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>

namespace platform {

// Every page of the program.
// - Its script questions and file choosers go to whoever shows the page; a
//   page nobody shows (a window a script opened that has not gone anywhere
//   yet) gets "no" to everything.
// - Pages from files keep to their own folder (LocalPageRequests).
// - Links whose scheme the engine cannot show reach it only after a click in
//   the page (the profile's setting), and go to another program only when
//   the user says yes to "Open this link with another program?", asked in
//   the page's window without holding the program. The answer may be kept
//   for the site like a permission answer.
class EnginePage : public QWebEnginePage {
public:
    EnginePage(QWebEngineProfile *profile, QObject *parent);

    std::function<ScriptAnswer(const ScriptQuestion &)> onQuestion;
    std::function<QStringList(FileSelectionMode, const QStringList &oldFiles, const QStringList &mimeTypes)> onChooseFiles;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl &origin, const QString &text) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &text) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &text, const QString &defaultText, QString *result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles, const QStringList &mimeTypes) override;

private:
    ScriptAnswer ask(ScriptQuestion question);
    void askToOpen(const QUrl &link);

    QPointer<QMessageBox> m_question;
};

} // namespace platform
