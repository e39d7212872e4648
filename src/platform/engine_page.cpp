#include "platform/engine_page.h"

#include "platform/engine_profile.h"
#include "platform/external_schemes.h"
#include "platform/local_pages.h"
#include "platform/request_filter.h"
#include "platform/shell.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QTextDocumentFragment>
#include <QWebEngineView>
#include <QWidget>

namespace platform {
namespace {

QString featureFor(const QUrl &link)
{
    return QStringLiteral("open %1: links with another program").arg(link.scheme());
}

// The engine hands the script's text over escaped for markup; the boxes
// show it as plain text, as the script wrote it.
QString plain(const QString &escaped)
{
    if (!escaped.contains(QLatin1Char('&')))
        return escaped;
    return QTextDocumentFragment::fromHtml(QString(escaped).replace(QLatin1Char('\n'), QStringLiteral("<br>")))
        .toPlainText();
}

// The engine's own text for the question a page's leave handler asks.
bool isLeaveQuestion(const QString &text)
{
    return text.startsWith(QLatin1String("Are you sure you want to leave this page?"));
}

} // namespace

EnginePage::EnginePage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    setUrlRequestInterceptor(new LocalPageRequests(this));
    if (RequestFilter *filter = requestFilter())
        filter->watch(this);
}

bool EnginePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (engineShowsScheme(url))
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    // Refused here in every case: the engine would hand the link over
    // itself, without asking.
    askToOpen(url);
    return false;
}

void EnginePage::askToOpen(const QUrl &link)
{
    const QString site = url().toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment
                                        | QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
    const QString feature = featureFor(link);
    const int kept = PermissionAnswers::answer(site, feature);
    if (kept >= 0) {
        if (kept)
            shellOpenLink(link);
        return;
    }
    // One question at a time per page: a page cannot pile them up. A page
    // nobody shows has no window to ask in.
    QWebEngineView *view = QWebEngineView::forPage(this);
    if (m_question || !view)
        return;
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Open link"),
                                QStringLiteral("Open this link with another program?"),
                                QMessageBox::Yes | QMessageBox::No, view->window());
    m_question = box;
    box->setObjectName(QStringLiteral("OpenWithAnotherProgram"));
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(
        QStringLiteral("%1 wants to open a %2: link with the program the desktop has for it:\n%3")
            .arg(site.isEmpty() ? QStringLiteral("The page") : site, link.scheme(), link.toDisplayString().left(200)));
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    auto *remember = new QCheckBox(QStringLiteral("Remember for this site"), box);
    box->setCheckBox(remember);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, this, [box, remember, link, site, feature] {
        const bool agreed = box->clickedButton() == box->button(QMessageBox::Yes);
        if (remember->isChecked())
            PermissionAnswers::remember(site, feature, agreed);
        if (agreed)
            shellOpenLink(link);
    });
    // A page the user leaves takes its question with it.
    QObject::connect(this, &QWebEnginePage::loadStarted, box, &QWidget::close);
    box->open();
}

ScriptAnswer EnginePage::ask(ScriptQuestion question)
{
    if (!onQuestion)
        return {};
    return onQuestion(question);
}

void EnginePage::javaScriptAlert(const QUrl &origin, const QString &text)
{
    ask({ScriptQuestion::Kind::Alert, origin, plain(text), {}});
}

bool EnginePage::javaScriptConfirm(const QUrl &origin, const QString &text)
{
    // The leave-page question arrives as a confirm with the engine's text.
    const auto kind = isLeaveQuestion(text) ? ScriptQuestion::Kind::LeavePage : ScriptQuestion::Kind::Confirm;
    return ask({kind, origin, plain(text), {}}).accepted;
}

bool EnginePage::javaScriptPrompt(const QUrl &origin, const QString &text, const QString &defaultText, QString *result)
{
    const ScriptAnswer answer = ask({ScriptQuestion::Kind::Prompt, origin, plain(text), plain(defaultText)});
    if (answer.accepted && result)
        *result = answer.text;
    return answer.accepted;
}

QStringList EnginePage::chooseFiles(FileSelectionMode mode, const QStringList &oldFiles, const QStringList &mimeTypes)
{
    return onChooseFiles ? onChooseFiles(mode, oldFiles, mimeTypes) : QStringList();
}

} // namespace platform
