// The text pane fed a growing body chunk by chunk must end up as one
// replacement of its whole text would leave it.

#include "browser/text_pane.h"
#include "toolkit/core/codepage.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

QStringList blocks(const QPlainTextEdit &pane)
{
    QStringList result;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

QStringList wholeText(const QByteArray &body)
{
    QPlainTextEdit reference;
    reference.setPlainText(toolkit::fromSingleByte(body));
    return blocks(reference);
}

} // namespace

TEST(GrowingPaneText, EveryWayOfSplittingGivesTheWholeText)
{
    const QByteArray body = "a\r\nb\rc\n\r\r\n\n\xA0\xE9 x\r";
    for (qsizetype cut1 = 0; cut1 <= body.size(); ++cut1) {
        for (qsizetype cut2 = cut1; cut2 <= body.size(); ++cut2) {
            QPlainTextEdit pane;
            textpane::GrowingText feed;
            feed.show(pane, body.left(cut1));
            ASSERT_EQ(blocks(pane), wholeText(body.left(cut1)));
            feed.show(pane, body.left(cut2));
            ASSERT_EQ(blocks(pane), wholeText(body.left(cut2))) << cut1 << " " << cut2;
            feed.show(pane, body);
            ASSERT_EQ(blocks(pane), wholeText(body)) << cut1 << " " << cut2;
        }
    }
}

TEST(GrowingPaneText, RandomChunksOfALargeBody)
{
    QRandomGenerator random(7);
    QByteArray body;
    const char alphabet[] = "ab \r\n\t\xE4";
    for (int i = 0; i < 200000; ++i)
        body.append(alphabet[random.bounded(int(sizeof alphabet - 1))]);
    QPlainTextEdit pane;
    textpane::GrowingText feed;
    qsizetype shown = 0;
    while (shown < body.size()) {
        shown = std::min(body.size(), shown + 1 + random.bounded(5000));
        feed.show(pane, body.left(shown));
    }
    EXPECT_EQ(blocks(pane), wholeText(body));
    EXPECT_FALSE(pane.document()->isUndoAvailable());
}

TEST(GrowingPaneText, AnyOtherChangeOfThePaneMakesTheNextChunkReplaceIt)
{
    QPlainTextEdit pane;
    textpane::GrowingText feed;
    feed.show(pane, "one\ntwo");
    pane.appendPlainText("typed by the user");
    feed.show(pane, "one\ntwo\nthree");
    EXPECT_EQ(pane.toPlainText(), "one\ntwo\nthree");

    pane.clear();
    feed.show(pane, "one\ntwo\nthree\nfour");
    EXPECT_EQ(pane.toPlainText(), "one\ntwo\nthree\nfour");

    // A body that did not grow from what was shown, and a fresh response.
    feed.show(pane, "new");
    EXPECT_EQ(pane.toPlainText(), "new");
    feed.restart();
    feed.show(pane, "newer and longer");
    EXPECT_EQ(pane.toPlainText(), "newer and longer");
}
