#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEnginePage>

#include <functional>

class WebEngine;

namespace platform {

// What a page's script asks of its user.
struct ScriptQuestion {
    enum class Kind { Alert, Confirm, Prompt, LeavePage };
    Kind kind = Kind::Alert;
    QUrl origin;
    QString text;
    QString defaultText; // a prompt's
};
struct ScriptAnswer {
    bool accepted = false;
    QString text; // a prompt's
};

// The boxes a page's script questions get in one engine. After the third
// question in a row with nothing else done by the user, the box offers to
// keep the page from asking again; a page kept from asking gets "no" to its
// alerts, confirms and prompts (never to the leave-page question: leaving
// stays the user's choice) until a new page loads.
class ScriptQuestions : public QObject {
public:
    explicit ScriptQuestions(WebEngine &engine);

    ScriptAnswer ask(const ScriptQuestion &question);
    QStringList chooseFiles(QWebEnginePage::FileSelectionMode mode, const QStringList &oldFiles);

    // The user did something on the page: the row of questions is broken.
    void userActed() { m_inARow = 0; }
    // A new page: it may ask again.
    void newPage();

private:
    WebEngine &m_engine;
    int m_inARow = 0;
    bool m_silenced = false;
};

} // namespace platform
