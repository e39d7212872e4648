// The rPOP window through the real window set.

#include "windows_fixture.h"

#include "netfeatures/rpop_window.h"
#include "toolkit/core/codepage.h"
#include "support/gui/window_parts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

using namespace pane_testing;

namespace {

struct RpopFixture : ::testing::Test {
    ProgramWindows program;
    TForm13 &window = *program.forms().Form13;
};

} // namespace

TEST_F(RpopFixture, NothingTypedOpensTheDefaultAddress)
{
    TForm2 &main = program.main();
    const qint32 total = main.TotalPages;
    const qint32 session = main.SessionPages;
    const qsizetype entries = main.HistoryList.size();
    window.show();
    ui(window).Button1->click();

    EXPECT_EQ(main.addressText(), "http:///user=;pass=;action=;1");
    EXPECT_EQ(main.TotalPages, total + 1);
    EXPECT_EQ(main.SessionPages, session + 1);
    ASSERT_EQ(main.HistoryList.size(), entries + 1);
    EXPECT_EQ(main.HistoryList.last(), QByteArray("http:///user=;pass=;action=;1"));
    EXPECT_TRUE(program.browser().isVisible());
    EXPECT_FALSE(window.isVisible());
    // The values stay for the next showing.
    window.show();
    EXPECT_EQ(ui(window).serv->text(), "http://");
    EXPECT_EQ(ui(window).msg->text(), "1");
}

TEST_F(RpopFixture, TypedTextIsJoinedUnchangedAndTheEngineIsAskedForIt)
{
    PageServer server({});
    window.show();
    ui(window).serv->setText(server.url(""));
    ui(window).anv->setText(" me;/=x ");
    ui(window).pass->setText("s3cr=t;");
    ui(window).act->setText("do it/now");
    ui(window).msg->setText("");
    ui(window).Button1->click();

    const QString expected = server.url("") + "/user= me;/=x ;pass=s3cr=t;;action=do it/now;";
    EXPECT_EQ(window.requestAddress(), expected);
    // The password shows in clear in the address box and in the history.
    EXPECT_EQ(program.main().addressText(), expected);
    EXPECT_EQ(program.main().HistoryList.last(), expected.toLatin1());
    // It reaches the engine as an ordinary address.
    ASSERT_TRUE(waitFor([&] { return !server.requests().isEmpty(); }));
    EXPECT_TRUE(server.requests().first().startsWith("GET /user="));
}

TEST_F(RpopFixture, EnterInABoxDoesNothing)
{
    window.show();
    program.main().setAddressText("before");
    for (QLineEdit *box : {ui(window).anv, ui(window).pass, ui(window).act, ui(window).msg, ui(window).serv})
        QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(program.main().addressText(), "before");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(program.main().SessionPages, 0);
}

TEST_F(RpopFixture, HelpTextCarriesTheAcuteAccentByte)
{
    ui(window).SpeedButton1->click();
    ASSERT_EQ(program.messages().size(), 1);
    const QByteArray bytes = toolkit::toSingleByte(program.messages().first());
    EXPECT_EQ(bytes, QByteArray("rPOP is a beta feature of Kestrelon, if you don\xB4t knov what it is, you will probably "
                                "not need this feature!"));
    EXPECT_TRUE(window.isHidden());
}

TEST_F(RpopFixture, LayoutTabOrderAndPasswordMask)
{
    EXPECT_EQ(window.windowTitle(), "rPOP settings");
    EXPECT_EQ(window.size(), QSize(280, 261));
    EXPECT_EQ(ui(window).serv->geometry(), QRect(104, 176, 121, 21));
    EXPECT_EQ(ui(window).Button1->geometry(), QRect(103, 216, 75, 25));
    EXPECT_EQ(ui(window).SpeedButton1->geometry(), QRect(192, 217, 23, 22));

    // Tab order: user name, password, action, Send, server, message.
    const QList<QWidget *> expected = {ui(window).anv, ui(window).pass, ui(window).act,
                                       ui(window).Button1, ui(window).serv, ui(window).msg};
    QWidget *widget = ui(window).anv;
    for (int i = 1; i < expected.size(); ++i) {
        widget = widget->nextInFocusChain();
        while (widget->focusPolicy() == Qt::NoFocus || !expected.contains(widget))
            widget = widget->nextInFocusChain();
        EXPECT_EQ(widget, expected.at(i)) << i;
    }
    EXPECT_EQ(ui(window).SpeedButton1->focusPolicy(), Qt::NoFocus);

    EXPECT_EQ(ui(window).pass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(ui(window).pass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, ui(window).pass), '*');
}
