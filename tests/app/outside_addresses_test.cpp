// Addresses that reach the program from outside its windows (its command
// line, a later start) and addresses too long for an ordinary edit box.
#include "app_fixture.h"

#include "app/address_requests.h"
#include "app/single_instance.h"
#include "support/gui/window_parts.h"

#include <QLineEdit>

using app_testing::ProgramWindows;
using app_testing::waitFor;

TEST(OutsideAddresses, ScriptAndDataAddressesAreRefusedWithAMessageAndTypedOnesStillGo)
{
    ProgramWindows program;
    program.start();
    const QList<QByteArray> history = program.main().HistoryList;
    SingleInstance instance(program.folder().path());
    openAddressRequests(instance, program.owner(), QStringLiteral(" JavaScript:document.title=document.cookie"));
    ASSERT_TRUE(waitFor([&] { return program.messages().size() == 1; }));
    emit instance.requested(QStringLiteral("data:text/html,<title>Your bank</title>"));
    emit instance.requested(QStringLiteral("java\tscript:alert(1)"));
    ASSERT_EQ(program.messages().size(), 3) << program.messages().join('|').toStdString();
    for (const QString &message : program.messages())
        EXPECT_TRUE(message.contains(QStringLiteral("javascript: or data: address from another program is not opened")))
            << message.toStdString();
    EXPECT_EQ(program.main().HistoryList, history);
    EXPECT_EQ(program.main().SessionPages, 0);

    // Anything else from outside goes through Go, and so does a typed script.
    emit instance.requested(QStringLiteral("http://127.0.0.1:1/"));
    program.go(QStringLiteral("javascript:void 0"));
    EXPECT_EQ(program.main().HistoryList, history + QList<QByteArray>({"http://127.0.0.1:1/", "javascript:void 0"}));
    EXPECT_EQ(program.messages().size(), 3) << program.messages().join('|').toStdString();
}

TEST(OutsideAddresses, LongAddressesAreKeptWholeAndTooLongOnesRefused)
{
    ProgramWindows program;
    program.start();
    const qsizetype entries = program.main().HistoryList.size();
    const QString longer = QStringLiteral("http://127.0.0.1:1/?q=") + QString(40000, QLatin1Char('a'));
    // Through the browser window's box, which hands its text to the main one.
    QLineEdit *box = program.browser().findChild<QLineEdit *>(QStringLiteral("ComboBox2"));
    ASSERT_NE(box, nullptr);
    box->setText(longer);
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(program.main().HistoryList.size(), entries + 1);
    EXPECT_EQ(program.main().HistoryList.last().size(), longer.size());

    const QString tooLong = QStringLiteral("http://127.0.0.1:1/?q=") + QString(2 * 1024 * 1024, QLatin1Char('a'));
    toolkit::guarded([&] { program.go(tooLong); });
    EXPECT_EQ(ui(program.main()).Edit1->text().size(), tooLong.size());
    ASSERT_EQ(program.messages().size(), 1) << program.messages().join('|').left(600).toStdString();
    EXPECT_TRUE(program.messages().at(0).contains(QStringLiteral("it was not opened")))
        << program.messages().at(0).left(300).toStdString();
    EXPECT_EQ(program.main().HistoryList.size(), entries + 1);
}
