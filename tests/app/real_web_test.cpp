// The browser window on the real web: new windows, logins, certificate
// warnings, crashed and stuck pages, full screen and permission questions,
// with the real engine against servers on 127.0.0.1.
#include "app_fixture.h"

#include "pagewindows/popup_window.h"
#include "support/core/tls_page_server.h"
#include "support/gui/dialog_answers.h"
#include "support/gui/window_parts.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <csignal>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::view;
using app_testing::titled;
using app_testing::waitFor;
using testing_support::clickButton;
using testing_support::DialogAnswerer;
using testing_support::Script;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

// A link or button that fills the page, so a click anywhere hits it.
QByteArray fullPageLink(const QByteArray &title, const QByteArray &attributes)
{
    return titled(title, "<a " + attributes + " style='display:block;position:fixed;inset:0'>here</a>");
}

void go(ProgramWindows &program, const QString &url)
{
    ui(program.main()).Edit1->setText(url);
    program.main().Button1Click();
}

bool captionIs(TForm1 &browser, const QString &caption)
{
    return waitFor([&] { return browser.windowTitle() == caption; });
}

void clickPage(TForm1 &browser)
{
    QWidget *page = browser.WebBrowser1().widget();
    QWidget *target = page->focusProxy() ? page->focusProxy() : page;
    ASSERT_TRUE(waitFor([&] { return target->isVisible(); }));
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(20, 20));
}

QList<PopupWindow *> popups()
{
    QList<PopupWindow *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *popup = qobject_cast<PopupWindow *>(widget); popup && popup->isVisible())
            found.append(popup);
    }
    return found;
}

// Waits sleeping only until the next event, as the program's loop does: the
// engine hands each window.open between its threads and this one dozens of
// times, and a wait that sleeps a fixed while between passes makes a loop of
// them take minutes. (Not QEventLoop::exec: once a test has quit the
// application, exec returns at once for the rest of the process.)
bool waitInLoop(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(30000);
    QTimer look;
    look.start(10);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

} // namespace

TEST(NewWindows, BlankTargetLoadsInTheBrowserWindowUncounted)
{
    PageServer server({{"/links", fullPageLink("Links", "target='_blank' href='/target'")},
                       {"/target", titled("Target")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/links"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Links [Done]")));
    const int entries = program.main().HistoryList.size();

    clickPage(program.browser());
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Target [Done]")))
        << program.browser().windowTitle().toStdString();
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/target"));
    EXPECT_EQ(ui(program.main()).Edit1->text(), server.url("/target"));
    EXPECT_EQ(program.main().SessionPages, 1);
    EXPECT_EQ(program.main().HistoryList.size(), entries);
    EXPECT_TRUE(popups().isEmpty());
    // Back returns to the page that had the link.
    program.main().Button2Click();
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("Links [Done]")));
}

TEST(NewWindows, ScriptPopupGetsAWindowOfItsOwnAndClosesWithThePage)
{
    PageServer server(
        {{"/opener", fullPageLink("Opener", "href='#' onclick=\"window.open('/popup','_blank','width=300,height=200');"
                                            "return false\"")},
         {"/popup", titled("Little popup", "<button onclick='window.close()'>close</button>")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/opener"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Opener [Done]")));

    clickPage(program.browser());
    ASSERT_TRUE(waitFor([] { return popups().size() == 1; }));
    PopupWindow *popup = popups().constFirst();
    EXPECT_TRUE(waitFor([&] { return popup->windowTitle() == QStringLiteral("Little popup"); }))
        << popup->windowTitle().toStdString();
    // The browser window keeps its page and nothing is counted.
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/opener"));
    EXPECT_EQ(program.main().SessionPages, 1);

    // A second popup from the same page takes the first one's place.
    QPointer<PopupWindow> first = popup;
    clickPage(program.browser());
    ASSERT_TRUE(waitFor([&] { return !first && popups().size() == 1; }));

    // The page closes its own window.
    QPointer<PopupWindow> second = popups().constFirst();
    ASSERT_TRUE(waitFor([&] { return second->windowTitle() == QStringLiteral("Little popup"); }));
    QWidget *popupView = second->engine().widget();
    qobject_cast<QWebEngineView *>(popupView)->page()->runJavaScript(QStringLiteral("window.close()"));
    EXPECT_TRUE(waitFor([&] { return second.isNull(); }));
}

TEST(NewWindows, PopupsOpenedInALoopLeaveOneWindow)
{
    PageServer server(
        {{"/storm", fullPageLink("Storm", "href='#' onclick=\"for (let i = 0; i < 15; ++i) "
                                          "window.open('/popup?' + i, 'p' + i, 'width=200,height=100'); return false\"")},
         {"/popup?14", titled("Last")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/storm"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Storm [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitFor([] { return popups().size() == 1 && popups().constFirst()->windowTitle() == "Last"; }));
    app_testing::runLoop(300);
    EXPECT_EQ(popups().size(), 1);
}

TEST(NewWindows, BlankWindowSentSomewhereByItsScriptShowsThatPage)
{
    PageServer server({{"/app", fullPageLink("App", "href='#' onclick=\"const w = window.open('', '_blank'); "
                                                    "w.location = '/next'; return false\"")},
                       {"/next", titled("Next", "<script>document.write(window.opener ? 'has opener' : 'alone')</script>")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/app"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("App [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Next [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/next"));
    EXPECT_EQ(ui(program.main()).Edit1->text(), server.url("/next"));
    EXPECT_TRUE(popups().isEmpty());
    EXPECT_EQ(program.main().SessionPages, 1);
    // The new page is the script's real window: it still knows its opener.
    bool done = false;
    QString text;
    view(program.browser())->page()->runJavaScript(QStringLiteral("document.body.innerText"), [&](const QVariant &v) {
        text = v.toString();
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(text, QStringLiteral("has opener"));
}

TEST(NewWindows, WindowsThatGoNowhereShowNothing)
{
    PageServer server({{"/storm", fullPageLink("Storm", "href='#' onclick=\"for (let i = 0; i < 50; ++i) "
                                                        "window.open('', '_blank'); document.title = 'Opened'; return false\"")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/storm"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Storm [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitInLoop([&] { return view(program.browser())->title() == QStringLiteral("Opened"); }));
    app_testing::runLoop(500);
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/storm"));
    EXPECT_EQ(program.browser().windowTitle(), QStringLiteral("Storm [Done]"));
    EXPECT_TRUE(popups().isEmpty());
}

TEST(NewWindows, WindowsSentSomewhereInALoopShowTheFirstOnly)
{
    PageServer server({{"/storm", fullPageLink("Storm", "href='#' onclick=\"for (let i = 0; i < 50; ++i) "
                                                        "window.open('', '_blank').location = '/next?' + i; "
                                                        "document.title = 'Opened'; return false\"")},
                       {"/next?0", titled("Next")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/storm"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Storm [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitInLoop([&] { return program.browser().windowTitle() == QStringLiteral("Next [Done]"); }))
        << program.browser().windowTitle().toStdString();
    app_testing::runLoop(500);
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/next?0"));
    EXPECT_TRUE(popups().isEmpty());
    // Back finds the opener as the script left it.
    program.main().Button2Click();
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("Opened"); }));
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/storm"));
}

TEST(NewWindows, SizedPopupThatNeverNavigatesGetsNoWindow)
{
    PageServer server({{"/opener", fullPageLink("Opener", "href='#' onclick=\"window.open('', 'x', 'width=300,height=200'); "
                                                          "document.title = 'Opened'; return false\"")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/opener"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Opener [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("Opened"); }));
    app_testing::runLoop(500);
    EXPECT_TRUE(popups().isEmpty());
}

namespace {

// Answers 200 with the secret page to "user:secret" and 401 with the
// server's own page to anything else.
Script basicAuthScript()
{
    return {Step::run([](ScriptedConnection &c) {
        if (!c.readUntil("\r\n\r\n"))
            return;
        const bool good = c.received().contains("Authorization: Basic " + QByteArray("user:secret").toBase64());
        const QByteArray body = good ? titled("Secret") : titled("Denied", "no entry");
        c.send((good ? QByteArray("HTTP/1.0 200 OK\r\n")
                     : QByteArray("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"Staff <only>\"\r\n"))
               + "Content-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        c.close();
    })};
}

void typeLogin(QWidget *dialog, const QString &user, const QString &password)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("UserName"))->setText(user);
    dialog->findChild<QLineEdit *>(QStringLiteral("Password"))->setText(password);
    clickButton(dialog, QStringLiteral("OK"));
}

} // namespace

TEST(Login, WrongPasswordAsksAgainAndTheRightOneLoadsThePage)
{
    ScriptedServer server(basicAuthScript());
    ProgramWindows program;
    program.start();
    QStringList realms;
    bool masked = false;
    bool userFocused = false;
    QStringList refusals;
    DialogAnswerer answerer(QStringLiteral("LoginDialog"), [&](QWidget *dialog) {
        auto *refused = dialog->findChild<QLabel *>(QStringLiteral("Refused"));
        refusals << (refused ? refused->text() : QString());
        realms << dialog->findChild<QLabel *>(QStringLiteral("Realm"))->text();
        masked = dialog->findChild<QLineEdit *>(QStringLiteral("Password"))->echoMode() == QLineEdit::Password;
        userFocused = dialog->focusWidget() == dialog->findChild<QLineEdit *>(QStringLiteral("UserName"));
        typeLogin(dialog, QStringLiteral("user"), realms.size() == 1 ? QStringLiteral("wrong") : QStringLiteral("secret"));
    });
    go(program, QStringLiteral("http://127.0.0.1:%1/staff").arg(server.port()));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Secret [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_EQ(answerer.answered(), 2);
    // The second time the dialog says why it asks again.
    EXPECT_EQ(refusals, (QStringList{QString(), QStringLiteral("The user name or password was not accepted.")}));
    EXPECT_EQ(realms.value(0), QStringLiteral("The site says: \"Staff <only>\""));
    EXPECT_TRUE(masked);
    EXPECT_TRUE(userFocused);
    // One request without credentials, one per answer: no storm of retries.
    EXPECT_EQ(server.connections(), 3);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Login, CancelShowsTheServersOwnPage)
{
    ScriptedServer server(basicAuthScript());
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("LoginDialog"),
                            [](QWidget *dialog) { clickButton(dialog, QStringLiteral("Cancel")); });
    go(program, QStringLiteral("http://127.0.0.1:%1/staff").arg(server.port()));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Denied [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_EQ(answerer.answered(), 1);
    app_testing::runLoop(300);
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_LE(server.connections(), 2);
}

TEST(Login, DialogOfAPageTheUserLeftClosesItself)
{
    ScriptedServer server(basicAuthScript());
    PageServer other({{"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    go(program, QStringLiteral("http://127.0.0.1:%1/staff").arg(server.port()));
    // The dialog is modal: the next Go comes from inside its wait.
    bool left = false;
    DialogAnswerer answerer(QStringLiteral("LoginDialog"), [&](QWidget *) {
        QTimer::singleShot(0, [&] { go(program, other.url("/other")); left = true; });
    });
    ASSERT_TRUE(waitFor([&] { return left; }));
    EXPECT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("LoginDialog")) == nullptr; }));
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("Other [Done]"))) << program.browser().windowTitle().toStdString();
}

TEST(Certificates, SelfSignedWarnsAndBackToSafetyLoadsNothing)
{
    testing_support::TlsPageServer server({{"/", titled("Secure")}});
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    ProgramWindows program;
    program.start();
    QString text;
    QString defaultButton;
    DialogAnswerer answerer(QStringLiteral("CertificateDialog"), [&](QWidget *dialog) {
        text = dialog->findChild<QLabel *>(QStringLiteral("Problem"))->text();
        for (auto *button : dialog->findChildren<QPushButton *>())
            if (button->isDefault())
                defaultButton = button->text();
        clickButton(dialog, QStringLiteral("BackToSafety"));
    });
    go(program, server.url("/"));
    ASSERT_TRUE(waitFor([&] { return answerer.answered() == 1; }));
    EXPECT_TRUE(text.startsWith(QStringLiteral("The connection to 127.0.0.1 is not secure.\n\n"))) << text.toStdString();
    EXPECT_GT(text.size(), 50);
    EXPECT_EQ(defaultButton, QStringLiteral("Back to safety"));
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle().endsWith(QStringLiteral("[Done]")); }));
    app_testing::runLoop(300);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_NE(program.browser().PageTitle, QByteArray("Secure"));
}

TEST(Certificates, BackToSafetyLeavesTheUserOnThePageTheyWereOn)
{
    testing_support::TlsPageServer secure({{"/", titled("Secure")}});
    ASSERT_TRUE(secure.start()) << secure.error().toStdString();
    PageServer plain({{"/before", titled("Before")}});
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("CertificateDialog"),
                            [](QWidget *dialog) { clickButton(dialog, QStringLiteral("BackToSafety")); });
    // With no page before: an empty page, no error page.
    go(program, secure.url("/"));
    ASSERT_TRUE(waitFor([&] { return answerer.answered() == 1 && !program.browser().WebBrowser1().isLoading(); }));
    app_testing::runLoop(500);
    EXPECT_FALSE(view(program.browser())->page()->title().contains(QStringLiteral("127.0.0.1")))
        << view(program.browser())->page()->title().toStdString();
    EXPECT_FALSE(program.browser().WebBrowser1().LocationURL().startsWith(QStringLiteral("https:")))
        << program.browser().WebBrowser1().LocationURL().toStdString();

    go(program, plain.url("/before"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Before [Done]")));
    go(program, secure.url("/"));
    ASSERT_TRUE(waitFor([&] { return answerer.answered() == 2 && !program.browser().WebBrowser1().isLoading(); }));
    app_testing::runLoop(500);
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), plain.url("/before"));
    EXPECT_EQ(view(program.browser())->page()->title(), QStringLiteral("Before"));
    EXPECT_TRUE(secure.requests().isEmpty());
}

TEST(Certificates, ProceedAnywayLoadsThePageForThisRun)
{
    testing_support::TlsPageServer server({{"/", titled("Secure")}, {"/again", titled("Again")}});
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("CertificateDialog"),
                            [](QWidget *dialog) { clickButton(dialog, QStringLiteral("ProceedAnyway")); });
    go(program, server.url("/"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Secure [Done]"))) << program.browser().windowTitle().toStdString();
    // The same site is not asked about again in this run.
    go(program, server.url("/again"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Again [Done]")));
    EXPECT_EQ(answerer.answered(), 1);
}

TEST(Certificates, WarningForAPageTheUserLeftClosesItself)
{
    testing_support::TlsPageServer server({{"/", titled("Secure")}});
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    PageServer other({{"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/"));
    ASSERT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("CertificateDialog")) != nullptr; }));
    go(program, other.url("/other"));
    EXPECT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("CertificateDialog")) == nullptr; }));
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("Other [Done]")));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(StoppedPages, KilledRendererShowsTheMessageAndRefreshBringsThePageBack)
{
    PageServer server({{"/news", titled("News")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/news"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("News [Done]")));
    auto *message = view(program.browser())->findChild<QLabel *>(QStringLiteral("PageStoppedMessage"));
    ASSERT_NE(message, nullptr);
    EXPECT_FALSE(message->isVisible());

    const qint64 pid = view(program.browser())->page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ::kill(pid_t(pid), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return message->isVisible(); }));
    EXPECT_TRUE(message->text().startsWith(QStringLiteral("The page stopped working.")));
    EXPECT_TRUE(message->text().contains(QStringLiteral("Refresh")));
    EXPECT_TRUE(program.browser().WebBrowser1().pageStoppedWorking());

    const auto requests = server.requests().size();
    program.main().Uppdatera1Click();
    ASSERT_TRUE(waitFor([&] { return !message->isVisible() && server.requests().size() > requests; }));
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("News [Done]")));
    EXPECT_GT(view(program.browser())->page()->renderProcessPid(), 0);
    EXPECT_EQ(program.main().SessionPages, 1);
}

TEST(StoppedPages, NeverEndingScriptIsEndedByGoToTheSameSite)
{
    // The page tells the server its loop is about to start, then never
    // returns from it.
    PageServer server({{"/busy", titled("Busy", "<script>onload = () => setTimeout(() => {"
                                                "fetch('/looping').catch(() => {}); for (;;) {} }, 0)</script>")},
                       {"/looping", "ok"},
                       {"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/busy"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Busy [Done]")));
    ASSERT_TRUE(waitFor([&] { return server.requests().contains("GET /looping HTTP/1.1"); }))
        << server.requests().join(' ').constData();

    // The user is asked, and ends the page.
    DialogAnswerer question(QStringLiteral("PageNotResponding"),
                            [](QWidget *box) { clickButton(box, QStringLiteral("End the page")); });
    go(program, server.url("/other"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Other [Done]"))) << program.browser().windowTitle().toStdString();
    EXPECT_FALSE(program.browser().WebBrowser1().pageStoppedWorking());
    EXPECT_EQ(program.main().SessionPages, 2);
    EXPECT_EQ(question.answered(), 1);
}

TEST(StoppedPages, NeverEndingScriptIsEndedByStop)
{
    PageServer server({{"/busy", titled("Busy", "<script>onload = () => setTimeout(() => {"
                                                "fetch('/looping').catch(() => {}); for (;;) {} }, 0)</script>")},
                       {"/looping", "ok"},
                       {"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/busy"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Busy [Done]")));
    ASSERT_TRUE(waitFor([&] { return server.requests().contains("GET /looping HTTP/1.1"); }));
    DialogAnswerer question(QStringLiteral("PageNotResponding"),
                            [](QWidget *box) { clickButton(box, QStringLiteral("End the page")); });
    program.main().Button4Click();
    // The stuck page is gone and says so; the next address loads.
    EXPECT_TRUE(waitFor([&] { return program.browser().WebBrowser1().pageStoppedWorking(); }));
    go(program, server.url("/other"));
    EXPECT_TRUE(captionIs(program.browser(), QStringLiteral("Other [Done]")));
}

TEST(PageRequests, FullScreenIsGrantedAndEscapeLeavesIt)
{
    PageServer server({{"/video", titled("Video", "<div style='position:fixed;inset:0' "
                                                  "onclick='document.documentElement.requestFullscreen()'>x</div>")}});
    ProgramWindows program;
    program.start();
    go(program, server.url("/video"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Video [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("FullScreenPage")) != nullptr; }));
    QWidget *full = DialogAnswerer::find(QStringLiteral("FullScreenPage"));
    EXPECT_TRUE(full->isFullScreen());
    EXPECT_EQ(program.browser().WebBrowser1().widget()->window(), full);
    auto *notice = full->findChild<QLabel *>(QStringLiteral("FullScreenNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), QStringLiteral("Press Escape to leave full screen"));

    QTest::keyClick(full, Qt::Key_Escape);
    ASSERT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("FullScreenPage")) == nullptr; }));
    EXPECT_EQ(program.browser().WebBrowser1().widget()->window(), &program.browser());
    EXPECT_TRUE(program.browser().WebBrowser1().widget()->isVisible());
}

TEST(PageRequests, PermissionIsAskedOnceAndDenyIsTheDefault)
{
    PageServer server({{"/where", titled("Where", "<script>onload = () => navigator.geolocation.getCurrentPosition("
                                                  "() => document.title = 'allowed', "
                                                  "e => document.title = 'refused ' + e.code)</script>")}});
    ProgramWindows program;
    program.start();
    QString text;
    QString defaultButton;
    DialogAnswerer answerer(QStringLiteral("PermissionQuestion"), [&](QWidget *box) {
        text = static_cast<QMessageBox *>(box)->text();
        defaultButton = static_cast<QMessageBox *>(box)->defaultButton()->text();
        static_cast<QMessageBox *>(box)->defaultButton()->click();
    });
    go(program, server.url("/where"));
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("refused 1"); }))
        << view(program.browser())->title().toStdString();
    EXPECT_EQ(text, QStringLiteral("http://127.0.0.1:%1 wants to know your location.").arg(server.port()));
    EXPECT_EQ(defaultButton, QStringLiteral("Deny"));
    // The answer holds for the site.
    program.main().Uppdatera1Click();
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("Where"); }));
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("refused 1"); }));
    EXPECT_EQ(answerer.answered(), 1);
}

TEST(PageRequests, ScriptDialogsStillAskTheUser)
{
    PageServer server({{"/ask", titled("Ask", "<script>onload = () => { alert('Hello'); "
                                              "const sure = confirm('Sure?'); "
                                              "document.title = (sure ? 'yes ' : 'no ') + prompt('Name?', 'x'); }</script>")}});
    ProgramWindows program;
    program.start();
    QStringList seen;
    DialogAnswerer boxes(QStringLiteral("QMessageBox"), [&](QWidget *window) {
        auto *box = static_cast<QMessageBox *>(window);
        seen << box->text();
        box->button(box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes)->click();
    });
    DialogAnswerer input(QStringLiteral("QInputDialog"), [&](QWidget *window) {
        window->findChild<QLineEdit *>()->setText(QStringLiteral("Ann"));
        static_cast<QDialog *>(window)->accept();
    });
    go(program, server.url("/ask"));
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("yes Ann"); }))
        << view(program.browser())->title().toStdString() << seen.join('|').toStdString();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Hello"), QStringLiteral("Sure?")}));
}

TEST(PageRequests, FileChooserStillOffersAFile)
{
    PageServer server({{"/upload", titled("Upload", "<input type=file style='position:fixed;inset:0;width:100%;height:100%' "
                                                    "onchange='document.title = this.files[0].name'>")}});
    ProgramWindows program;
    program.start();
    program.folder().write("chosen.txt", "text");
    const QString chosen = program.folder().file("chosen.txt");
    DialogAnswerer chooser(QStringLiteral("QFileDialog"), [&](QWidget *window) {
        auto *dialog = static_cast<QFileDialog *>(window);
        dialog->selectFile(chosen);
        static_cast<QDialog *>(window)->accept();
    });
    go(program, server.url("/upload"));
    ASSERT_TRUE(captionIs(program.browser(), QStringLiteral("Upload [Done]")));
    clickPage(program.browser());
    ASSERT_TRUE(waitFor([&] { return view(program.browser())->title() == QStringLiteral("chosen.txt"); }))
        << view(program.browser())->title().toStdString();
    EXPECT_EQ(chooser.answered(), 1);
}
