// The program's one error handler, the Development window and the idle and
// message counters.
#include "app_fixture.h"

#include "app/development_window.h"
#include "app/error_handler.h"
#include "support/gui/window_parts.h"

#include <QMessageBox>
#include <QTimer>

using app_testing::ProgramWindows;

namespace {
const QString kLongStart = QStringLiteral(
    "An exeption was raised!.\rCheck if all the files are in the rigth place and how the executable is behaving."
    "\r\r/Tovander\r\rException = ");
}

TEST(ErrorHandler, RaiseExeptionShowsTheLongMessageAndLogsTheText)
{
    ProgramWindows program;
    program.start();
    ui(program.main()).RaiseExeption1->trigger();
    EXPECT_FALSE(ui(program.main()).RaiseExeption1->isVisible());
    EXPECT_TRUE(ui(program.main()).RaiseExeption1->shortcut().isEmpty());
    ASSERT_EQ(program.messages(), QStringList{kLongStart + QStringLiteral("Konstgjord exeption!")});
    // Single carriage returns, no line feeds.
    EXPECT_FALSE(program.messages().at(0).contains(QLatin1Char('\n')));
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->toPlainText(), QStringLiteral("Konstgjord exeption!"));
}

TEST(ErrorHandler, ExactSwedishTextIsTheShortMessageOtherWordingsAreNot)
{
    ProgramWindows program;
    program.start();
    for (const QString &text : {QStringLiteral("Odefinierat fel"), QStringLiteral("odefinierat fel"),
                                QStringLiteral("Unspecified error"), QString()})
        toolkit::guarded([&] { throw Exception(text); });
    EXPECT_EQ(program.messages(),
              (QStringList{QStringLiteral("No webpage to go to!"), kLongStart + "odefinierat fel",
                           kLongStart + "Unspecified error", kLongStart}));
    // One line per error, oldest first; the empty message is an empty line.
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->toPlainText(),
              QStringLiteral("Odefinierat fel\nodefinierat fel\nUnspecified error\n"));
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->blockCount(), 4);
}

TEST(ErrorHandler, SilentAbortNeverReachesTheHandler)
{
    ProgramWindows program;
    toolkit::guarded([] { throw EAbort(); });
    EXPECT_TRUE(program.messages().isEmpty());
    EXPECT_TRUE(ui(*program.forms().Form11).Memo1->toPlainText().isEmpty());
}

TEST(ErrorHandler, AnErrorInsideAModalBoxsLoopGetsItsOwnBox)
{
    // The real boxes, answered by the test: the first box's loop runs a
    // handler that fails, whose box is dismissed first.
    ProgramWindows program;
    program.start();
    toolkit::setMessageBoxService(nullptr);
    QStringList shown;
    QTimer fail;
    fail.setSingleShot(true);
    QObject::connect(&fail, &QTimer::timeout, [] { toolkit::guarded([] { throw Exception(QStringLiteral("inner")); }); });
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->isVisible() && !shown.contains(box->text())) {
                shown.append(box->text());
                if (box->text().endsWith(QLatin1String("outer")))
                    fail.start(0);
                else
                    box->accept();
                return;
            }
        }
        // The inner box is gone: close the outer one.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible() && shown.size() == 2)
                box->accept();
        }
    });
    closer.start(20);
    toolkit::guarded([] { throw Exception(QStringLiteral("outer")); });
    closer.stop();
    ASSERT_EQ(shown.size(), 2);
    // The box shows the carriage returns as line breaks.
    EXPECT_TRUE(shown.at(0).startsWith(QStringLiteral("An exeption was raised!.\nCheck")));
    EXPECT_TRUE(shown.at(1).endsWith(QStringLiteral("inner")));
    // Each is logged once its box is gone: the inner one first.
    EXPECT_EQ(ui(*program.forms().Form11).Memo1->toPlainText(), QStringLiteral("inner\nouter"));
}

TEST(Counters, IdleAndMessageCountsRiseAndTheWindowShowsThem)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    TForm11 &development = *program.forms().Form11;
    development.show();
    const qint32 idle = main.IdleCount;
    const qint32 messages = main.MessageCount;
    QTimer ticks;
    ticks.start(5);
    app_testing::runLoop(200);
    ticks.stop();
    EXPECT_GT(main.IdleCount, idle);
    EXPECT_GT(main.MessageCount, messages + 10);
    app_testing::runLoop(50);
    EXPECT_EQ(ui(development).Memo2->toPlainText(), QString::number(main.IdleCount));
    EXPECT_EQ(ui(development).Memo3->toPlainText(), QString::number(main.MessageCount));
}

TEST(Counters, AHiddenWindowShowsTheLatestCountsWhenShown)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    TForm11 &development = *program.forms().Form11;
    ASSERT_FALSE(development.isVisible());
    QTimer ticks;
    ticks.start(5);
    app_testing::runLoop(100);
    ticks.stop();
    development.show();
    EXPECT_EQ(ui(development).Memo2->toPlainText(), QString::number(main.IdleCount));
    EXPECT_EQ(ui(development).Memo3->toPlainText(), QString::number(main.MessageCount));
}

TEST(Counters, TheirOwnUpdatesDoNotFeedThem)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    main.Timer1->stop();
    program.browser().hide();
    program.forms().Form11->show();
    program.forms().Form11->raise();
    // Let start-up settle, then watch a quiet stretch: with the window
    // repainting its counts, an endless stream would count thousands.
    app_testing::runLoop(500);
    const qint32 idle = main.IdleCount;
    const qint32 messages = main.MessageCount;
    app_testing::runLoop(1000);
    EXPECT_LT(main.MessageCount - messages, 50) << "messages counted while nothing happened";
    EXPECT_LT(main.IdleCount - idle, 50);
    EXPECT_GE(main.MessageCount, messages);  // never down
}

TEST(Counters, DirectlySentEventsAreNotCounted)
{
    ProgramWindows program;
    program.start();
    TForm2 &main = program.main();
    main.Timer1->stop();
    app_testing::runLoop(100);
    const qint32 before = main.MessageCount;
    // Sent from inside one posted call: that call counts, the sends do not.
    QMetaObject::invokeMethod(
        &main,
        [&] {
            for (int i = 0; i < 100; ++i) {
                QEvent e(QEvent::User);
                QCoreApplication::sendEvent(&main, &e);
            }
        },
        Qt::QueuedConnection);
    app_testing::runLoop(100);
    EXPECT_LT(main.MessageCount - before, 50);
    EXPECT_GE(main.MessageCount - before, 1);
}
