// A page's own questions (alerts, leave-page questions) and busy pages with
// the real engine: the page is never ended while it waits for its user or
// while the user chooses to wait for it, and no page question holds the
// rest of the program.
#include "app_fixture.h"

#include "support/gui/dialog_answers.h"
#include "support/gui/window_parts.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::view;
using app_testing::titled;
using app_testing::waitFor;
using testing_support::clickButton;
using testing_support::DialogAnswerer;

namespace {

QVariant evaluate(ProgramWindows &program, const QString &script)
{
    QVariant result;
    bool done = false;
    view(program)->page()->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    waitFor([&] { return done; });
    return result;
}

// Counts the renderer ends of the browser window's page.
struct RendererEnds {
    explicit RendererEnds(QWebEnginePage *page)
    {
        QObject::connect(page, &QWebEnginePage::renderProcessTerminated, page, [this] { ++count; });
    }
    int count = 0;
};

// A note with an unsaved text: leaving asks first.
const QByteArray kNote = titled("Note", "<textarea id=t autofocus style='position:fixed;inset:0'></textarea>"
                                        "<script>onbeforeunload = e => { e.preventDefault(); e.returnValue = ''; }</script>");

// Opens the first page, then the note, and types into the note as a user does
// (the engine asks before leaving only a page the user has used). A page
// shown before its renderer takes input drops the click and the keys, as it
// would a user's; the user then clicks and types again, and so does this.
void openNoteAndType(ProgramWindows &program, PageServer &server)
{
    ASSERT_TRUE(program.open(server.url("/first"), QStringLiteral("First")));
    ASSERT_TRUE(program.open(server.url("/note"), QStringLiteral("Note")));
    QWidget *page = view(program)->focusProxy();
    ASSERT_TRUE(waitFor([&] { return page && page->isVisible(); }));
    program.browser().activateWindow();
    const auto typed = [&] { return evaluate(program, QStringLiteral("t.value")).toString() == "unsaved"; };
    for (int attempt = 0; attempt < 3 && !typed(); ++attempt) {
        evaluate(program, QStringLiteral("t.value = ''"));
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(30, 30));
        waitFor([&] { return evaluate(program, QStringLiteral("document.hasFocus() && document.activeElement === t")).toBool(); },
                10000);
        QTest::keyClicks(page, QStringLiteral("unsaved"));
        waitFor(typed, 10000);
    }
    ASSERT_TRUE(typed());
}

// Answers the leave-page question with `button` once it has been open for
// `afterMs` (the user reads it first).
class LeaveAnswer {
public:
    LeaveAnswer(const QString &button, int afterMs)
        : m_answerer(QStringLiteral("LeavePageQuestion"), [this, button, afterMs](QWidget *box) {
              ++asked;
              QPointer<QWidget> shown(box);
              QTimer::singleShot(afterMs, box, [shown, button] {
                  if (shown)
                      clickButton(shown, button);
                  });
          })
    {
    }
    int asked = 0;

private:
    DialogAnswerer m_answerer;
};

} // namespace

TEST(LeavePage, StayAnsweredAfterFiveSecondsKeepsThePageAndItsText)
{
    PageServer server({{"/first", titled("First")}, {"/note", kNote}});
    ProgramWindows program;
    program.start();
    openNoteAndType(program, server);
    RendererEnds ends(view(program)->page());
    const auto history = program.main().HistoryList;
    LeaveAnswer stay(QStringLiteral("Stay"), 5000);

    program.main().Button2Click(); // Back
    ASSERT_TRUE(waitFor([&] { return stay.asked == 1 && !DialogAnswerer::find(QStringLiteral("LeavePageQuestion")); }));
    // The page is still there, with what the user typed.
    EXPECT_EQ(evaluate(program, QStringLiteral("t.value")).toString(), QStringLiteral("unsaved"));
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/note"));
    EXPECT_EQ(ends.count, 0);
    EXPECT_FALSE(program.browser().WebBrowser1().pageStoppedWorking());
    EXPECT_EQ(program.main().HistoryList, history);
    EXPECT_EQ(program.main().SessionPages, 2);
    EXPECT_TRUE(view(program)->isEnabled());
}

TEST(LeavePage, LeaveGoesBack)
{
    PageServer server({{"/first", titled("First")}, {"/note", kNote}});
    ProgramWindows program;
    program.start();
    openNoteAndType(program, server);
    LeaveAnswer leave(QStringLiteral("Leave"), 0);
    program.main().Button2Click();
    ASSERT_TRUE(waitFor([&] { return program.browser().WebBrowser1().LocationURL() == server.url("/first"); }));
    EXPECT_EQ(leave.asked, 1);
    EXPECT_EQ(program.main().SessionPages, 2);
}

TEST(PageQuestions, AlertOpenForFiveSecondsWhileBackIsPressedEndsNoPage)
{
    PageServer server({{"/first", titled("First")},
                       {"/ask", titled("Ask", "<script>onload = () => setTimeout(() => { alert('Read me'); "
                                              "document.title = 'Answered'; }, 0)</script>")}});
    ProgramWindows program;
    program.start();
    ASSERT_TRUE(program.open(server.url("/first"), QStringLiteral("First")));
    RendererEnds ends(view(program)->page());
    // The alert stays open for five seconds; then the user presses Back.
    // (The alert's wait holds the test's own wait underneath it.)
    bool pressed = false;
    bool stillOpen = false;
    DialogAnswerer alert(QStringLiteral("ScriptMessage"), [&](QWidget *) {
        QTimer::singleShot(5000, [&] {
            stillOpen = DialogAnswerer::find(QStringLiteral("ScriptMessage")) != nullptr;
            program.main().Button2Click();
            pressed = true;
        });
    });
    program.go(server.url("/ask"));
    ASSERT_TRUE(waitFor([&] { return pressed; }));
    EXPECT_TRUE(stillOpen);
    // Back answered the alert: the page went back, with no renderer ended.
    ASSERT_TRUE(waitFor([&] { return program.browser().WebBrowser1().LocationURL() == server.url("/first"); }));
    EXPECT_EQ(DialogAnswerer::find(QStringLiteral("ScriptMessage")), nullptr);
    app_testing::runLoop(2500);
    EXPECT_EQ(ends.count, 0);
    EXPECT_FALSE(program.browser().WebBrowser1().pageStoppedWorking());
}

TEST(PageQuestions, AlertLoopHoldsNeitherTheProgramNorGo)
{
    PageServer server({{"/loop", titled("Loop", "<script>onload = () => setTimeout(() => { for (;;) alert('again'); }, 0)"
                                                "</script>")},
                       {"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    program.go(server.url("/loop"));
    // Each alert can be answered; the third in a row offers to stop them.
    // The fourth is left open while the user turns to the main window (the
    // alert's wait holds the test's own underneath it, as the user's events
    // arrive inside it).
    QList<bool> offered;
    bool menuOpened = false;
    QWidget *modal = nullptr;
    DialogAnswerer alerts(QStringLiteral("ScriptMessage"), [&](QWidget *box) {
        offered << (static_cast<QMessageBox *>(box)->checkBox() != nullptr);
        if (offered.size() < 4) {
            static_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click();
            return;
        }
        if (offered.size() > 4)
            return;
        QTimer::singleShot(0, [&] {
            // Nothing is modal to the program: the main window's menu opens.
            modal = QApplication::activeModalWidget();
            QMenuBar *bar = ui(program.main()).MainMenu1;
            QAction *first = bar->actions().constFirst();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(first).center());
            menuOpened = waitFor([&] { return first->menu()->isVisible(); }, 5000);
            first->menu()->close();
            // And Go gets the user out to another address.
            program.go(server.url("/other"));
        });
    });
    program.go(server.url("/loop"));
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("Other [Done]"); }))
        << program.browser().windowTitle().toStdString();
    EXPECT_EQ(offered.mid(0, 4), (QList<bool>{false, false, true, true}));
    EXPECT_EQ(modal, nullptr);
    EXPECT_TRUE(menuOpened);
    EXPECT_EQ(DialogAnswerer::find(QStringLiteral("ScriptMessage")), nullptr);
}

TEST(PageQuestions, StoppedAskingThePageAnswersItsAlertsUntilANewPage)
{
    PageServer server({{"/many", titled("Many", "<script>let n = 0; onload = () => setTimeout(() => { "
                                                "for (let i = 0; i < 6; ++i) { alert(i); ++n; } document.title = 'n' + n; }, 0)"
                                                "</script>")}});
    ProgramWindows program;
    program.start();
    int shown = 0;
    DialogAnswerer alerts(QStringLiteral("ScriptMessage"), [&](QWidget *box) {
        ++shown;
        auto *message = static_cast<QMessageBox *>(box);
        if (message->checkBox())
            message->checkBox()->setChecked(true);
        message->button(QMessageBox::Ok)->click();
    });
    program.go(server.url("/many"));
    ASSERT_TRUE(waitFor([&] { return view(program)->title() == QStringLiteral("n6"); }));
    EXPECT_EQ(shown, 3);
    // The same page loaded again may ask again.
    program.main().Uppdatera1Click();
    ASSERT_TRUE(waitFor([&] { return shown == 6 && view(program)->title() == QStringLiteral("n6"); }));
}

namespace {

// Busy for six seconds after loading, with state set before.
const QByteArray kBusy = titled("Busy", "<script>onload = () => setTimeout(() => { window.state = 'kept'; "
                                        "fetch('/looping').catch(() => {}); const t = Date.now(); "
                                        "while (Date.now() - t < 6000) {} document.title = 'Finished'; }, 0)</script>");

} // namespace

TEST(BusyPages, WaitKeepsABusyPageAndTheQuestionGoesWhenItAnswers)
{
    PageServer server({{"/busy", kBusy}, {"/looping", "ok"}});
    ProgramWindows program;
    program.start();
    ASSERT_TRUE(program.open(server.url("/busy"), QStringLiteral("Busy")));
    ASSERT_TRUE(waitFor([&] { return server.requests().contains("GET /looping HTTP/1.1"); }));
    RendererEnds ends(view(program)->page());
    QString defaultButton;
    QString text;
    DialogAnswerer question(QStringLiteral("PageNotResponding"), [&](QWidget *box) {
        defaultButton = static_cast<QMessageBox *>(box)->defaultButton()->text();
        text = static_cast<QMessageBox *>(box)->text();
        clickButton(box, QStringLiteral("Wait"));
    });
    program.main().Button4Click(); // Stop
    ASSERT_TRUE(waitFor([&] { return question.answered() >= 1; }));
    EXPECT_EQ(text, QStringLiteral("The page is not responding."));
    EXPECT_EQ(defaultButton, QStringLiteral("Wait"));
    ASSERT_TRUE(waitFor([&] { return view(program)->title() == QStringLiteral("Finished"); }));
    EXPECT_EQ(evaluate(program, QStringLiteral("window.state")).toString(), QStringLiteral("kept"));
    EXPECT_EQ(ends.count, 0);
    EXPECT_FALSE(program.browser().WebBrowser1().pageStoppedWorking());
    EXPECT_EQ(DialogAnswerer::find(QStringLiteral("PageNotResponding")), nullptr);
}

TEST(BusyPages, UnansweredQuestionClosesItselfWhenThePageAnswers)
{
    PageServer server({{"/busy", kBusy}, {"/looping", "ok"}});
    ProgramWindows program;
    program.start();
    ASSERT_TRUE(program.open(server.url("/busy"), QStringLiteral("Busy")));
    ASSERT_TRUE(waitFor([&] { return server.requests().contains("GET /looping HTTP/1.1"); }));
    program.main().Button4Click();
    ASSERT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("PageNotResponding")) != nullptr; }));
    ASSERT_TRUE(waitFor([&] { return view(program)->title() == QStringLiteral("Finished"); }));
    EXPECT_TRUE(waitFor([] { return DialogAnswerer::find(QStringLiteral("PageNotResponding")) == nullptr; }));
    EXPECT_FALSE(program.browser().WebBrowser1().pageStoppedWorking());
}

TEST(BusyPages, EndThePageEndsItAndGoIsCarriedOut)
{
    PageServer server({{"/busy", kBusy}, {"/looping", "ok"}, {"/other", titled("Other")}});
    ProgramWindows program;
    program.start();
    ASSERT_TRUE(program.open(server.url("/busy"), QStringLiteral("Busy")));
    ASSERT_TRUE(waitFor([&] { return server.requests().contains("GET /looping HTTP/1.1"); }));
    RendererEnds ends(view(program)->page());
    DialogAnswerer question(QStringLiteral("PageNotResponding"),
                            [&](QWidget *box) { clickButton(box, QStringLiteral("End the page")); });
    program.go(server.url("/other"));
    ASSERT_TRUE(waitFor([&] { return question.answered() == 1; }));
    EXPECT_TRUE(waitFor([&] { return ends.count == 1; }));
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("Other [Done]"); }));
    EXPECT_EQ(program.main().SessionPages, 2);
}
