#include "platform/external_schemes.h"

#include "platform/engine_profile.h"
#include "platform/local_pages.h"
#include "platform/shell.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace platform {
namespace {

// The schemes a page may be shown from or may use inside itself.
constexpr const char *kEngineSchemes[] = {"http",        "https",      "file",       "data",        "about",
                                          "blob",        "filesystem", "javascript", "ws",          "wss",
                                          "view-source", "qrc",        "chrome",     "chrome-error"};

QString featureFor(const QUrl &link)
{
    return QStringLiteral("open %1: links with another program").arg(link.scheme());
}

} // namespace

bool engineShowsScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    for (const char *known : kEngineSchemes) {
        if (scheme == QLatin1String(known))
            return true;
    }
    return false;
}

EnginePage::EnginePage(QWebEngineProfile *profile, QWidget *view) : QWebEnginePage(profile, view), m_view(view)
{
    setUrlRequestInterceptor(new LocalPageRequests(this));
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
    // One question at a time per page: a page cannot pile them up.
    if (m_question)
        return;
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Open link"),
                                QStringLiteral("Open this link with another program?"),
                                QMessageBox::Yes | QMessageBox::No, m_view->window());
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

} // namespace platform
