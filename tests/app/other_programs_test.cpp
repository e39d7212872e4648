// Links the engine cannot show (mailto: and unknown schemes), with the real
// engine: they reach another program only after a click and the user's yes.
#include "app_fixture.h"

#include "support/gui/dialog_answers.h"
#include "url_recorder.h"
#include "support/gui/window_parts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QWebEngineView>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::view;
using app_testing::waitFor;
using testing_support::DialogAnswerer;
using testing_support::UrlRecorder;

namespace {

void clickPage(ProgramWindows &program)
{
    QWidget *page = view(program)->focusProxy();
    ASSERT_TRUE(waitFor([&] { return page && page->isVisible(); }));
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(20, 20));
}

} // namespace

TEST(OtherPrograms, AMailtoClickAsksFirstAndAScriptCannotAskAtAll)
{
    // The script tries on its own as the page loads; the link fills the page.
    PageServer server(
        {{"/mail", "<html><head><title>Mail</title></head><body>"
                   "<a href='mailto:someone@example.invalid' style='display:block;position:fixed;inset:0'>m</a>"
                   "<script>onload = () => { location.href = 'kestreltest:no-click'; "
                   "setTimeout(() => document.title = 'Tried', 0); }</script></body></html>"}});
    UrlRecorder mail(QStringLiteral("mailto"));
    UrlRecorder unknown(QStringLiteral("kestreltest"));
    ProgramWindows program;
    program.start();
    QStringList asked;
    int answer = QMessageBox::No;
    bool remember = false;
    DialogAnswerer answerer(QStringLiteral("OpenWithAnotherProgram"), [&](QWidget *window) {
        auto *box = static_cast<QMessageBox *>(window);
        asked << box->text() + '|' + box->informativeText();
        box->checkBox()->setChecked(remember);
        box->button(QMessageBox::StandardButton(answer))->click();
    });
    program.go(server.url("/mail"));
    ASSERT_TRUE(waitFor([&] { return view(program)->title() == QStringLiteral("Tried"); }));
    // What the engine refused is not taken for the page reached.
    EXPECT_EQ(ui(program.main()).Edit1->text(), server.url("/mail"));

    clickPage(program);
    ASSERT_TRUE(waitFor([&] { return answerer.answered() == 1; }));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Open this link with another program?|"))) << asked[0].toStdString();
    EXPECT_TRUE(asked[0].contains(QStringLiteral("mailto:"))) << asked[0].toStdString();
    EXPECT_TRUE(mail.urls.isEmpty());

    // Yes hands it over; kept for the site, the next click needs no question.
    answer = QMessageBox::Yes;
    remember = true;
    clickPage(program);
    ASSERT_TRUE(waitFor([&] { return mail.urls.size() == 1; }));
    clickPage(program);
    ASSERT_TRUE(waitFor([&] { return mail.urls.size() == 2; }));
    EXPECT_EQ(mail.urls[0], QUrl(QStringLiteral("mailto:someone@example.invalid")));
    EXPECT_EQ(answerer.answered(), 2);
    EXPECT_TRUE(unknown.urls.isEmpty());
}
