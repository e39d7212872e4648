#include "pagewindows/page_windows.h"

#include "pagewindows/certificate_dialog.h"
#include "pagewindows/downloads_window.h"
#include "pagewindows/login_dialog.h"
#include "pagewindows/popup_window.h"
#include "platform/download.h"
#include "platform/page_question.h"
#include "toolkit/widgets/guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Allow or Deny for one feature of one site; Deny unless the user chooses.
bool askPermission(WebEngine &engine, const QString &site, const QString &feature)
{
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Permission"),
                                QStringLiteral("%1 wants to %2.").arg(site, feature), QMessageBox::NoButton);
    box->setObjectName(QStringLiteral("PermissionQuestion"));
    box->setTextFormat(Qt::PlainText);
    QPushButton *allow = box->addButton(QStringLiteral("Allow"), QMessageBox::AcceptRole);
    QPushButton *deny = box->addButton(QStringLiteral("Deny"), QMessageBox::RejectRole);
    box->setDefaultButton(deny);
    box->setEscapeButton(deny);
    bool allowed = false;
    platform::askOnPage(engine, box, [&](QDialog &shown) {
        allowed = static_cast<QMessageBox &>(shown).clickedButton() == allow;
    });
    return allowed;
}

// A page in full screen can look like anything, the program's own windows
// included: the user is told at once how to get out.
void showFullScreenNotice(QWidget &window)
{
    constexpr int kNoticeMs = 4000;
    auto *notice = new QLabel(QStringLiteral("Press Escape to leave full screen"), &window);
    notice->setObjectName(QStringLiteral("FullScreenNotice"));
    notice->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 200); color: white; padding: 10px 18px;"));
    notice->adjustSize();
    notice->move((window.width() - notice->width()) / 2, 24);
    notice->show();
    notice->raise();
    QTimer::singleShot(kNoticeMs, notice, &QWidget::hide);
}

} // namespace

PageWindows::PageWindows(QWidget &browser, QWidget &pageArea, WebEngine &engine)
    : QObject(&browser), m_browser(browser), m_pageArea(pageArea), m_engine(engine)
{
    installDialogs(engine);
    engine.OnFullScreen = [this](bool on) { toolkit::guarded([&] { fullScreen(on); }); };
    engine.OnPopup = [this](std::unique_ptr<WebEngine> popup) { openPopup(std::move(popup)); };
    engine.OnDownload = [this](platform::Download *download) {
        toolkit::guarded([&] {
            // One the engine already placed (a page's allowed series) is only listed.
            if (download->state() == platform::Download::State::Asking)
                downloads().start(download, &m_engine);
            else
                downloads().add(download);
        });
    };
}

PageWindows::~PageWindows()
{
    if (m_popup)
        delete m_popup;
    if (m_fullScreen)
        fullScreen(false);
}

DownloadsWindow &PageWindows::downloads()
{
    if (!m_downloads)
        m_downloads = std::make_unique<DownloadsWindow>();
    return *m_downloads;
}

void PageWindows::installDialogs(WebEngine &engine)
{
    // The engine keeps an accepted login for the run, so the same site and
    // realm asking again within one navigation means the answer was refused.
    auto answered = std::make_shared<std::optional<WebEngine::LoginRequest>>();
    connect(&engine, &WebEngine::pageLeft, this, [answered] { answered->reset(); });
    engine.OnLoginRequired = [this, &engine, answered](const WebEngine::LoginRequest &request) {
        const bool again = answered->has_value() && (*answered)->host == request.host
                           && (*answered)->realm == request.realm && (*answered)->proxy == request.proxy;
        std::optional<WebEngine::Login> login = LoginDialog::ask(&m_browser, engine, request, again);
        if (login)
            *answered = request;
        else
            answered->reset();
        return login;
    };
    engine.OnCertificateError = [this, &engine](const WebEngine::CertificateProblem &problem,
                                                std::function<void(bool)> answer) {
        CertificateDialog::ask(&m_browser, engine, problem, [&engine, answer = std::move(answer)](bool proceed) {
            // Back to safety leaves the user where they were (or on the
            // empty page): the navigation is stopped before it is refused,
            // or the engine would show its error page for the refusal.
            if (!proceed)
                toolkit::guarded([&engine] { engine.Stop(); });
            answer(proceed);
        });
    };
    engine.OnPermissionRequest = [&engine](const QString &site, const QString &feature) {
        return askPermission(engine, site, feature);
    };
}

void PageWindows::openPopup(std::unique_ptr<WebEngine> popup)
{
    // One popup window per page: a new one replaces the one before.
    if (m_popup)
        delete m_popup;
    m_popup = new PopupWindow(std::move(popup));
    installDialogs(m_popup->engine());
    m_popup->show();
}

// The page's view leaves the browser window for a screen-filling window of
// its own and comes back when the page (or Escape, or F11) ends it.
void PageWindows::fullScreen(bool on)
{
    QWidget *view = m_engine.widget();
    if (on && !m_fullScreen) {
        m_fullScreen = std::make_unique<QWidget>(nullptr, Qt::Window);
        m_fullScreen->setObjectName(QStringLiteral("FullScreenPage"));
        m_fullScreen->setWindowTitle(m_browser.windowTitle());
        auto *layout = new QVBoxLayout(m_fullScreen.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        m_fullScreen->showFullScreen();
        view->setFocus();
        showFullScreenNotice(*m_fullScreen);
    } else if (!on && m_fullScreen) {
        m_pageArea.layout()->addWidget(view);
        view->show();
        m_fullScreen.reset();
    }
}

void PageWindows::leaveFullScreen()
{
    m_engine.ExitFullScreen();
}

bool PageWindows::mayClose()
{
    if (!m_downloads || m_downloads->running() == 0)
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Downloads"),
                    QStringLiteral("A download is still running. Quit and stop it?"),
                    QMessageBox::Yes | QMessageBox::No, m_downloads.get());
    box.setObjectName(QStringLiteral("QuitWithDownloads"));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return false;
    m_downloads->cancelAll();
    return true;
}
