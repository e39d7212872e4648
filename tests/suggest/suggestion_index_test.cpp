#include "suggest/suggestion_index.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using suggest::Suggestion;
using suggest::SuggestionIndex;

namespace {

QList<QByteArray> addresses(const QList<Suggestion> &found)
{
    QList<QByteArray> out;
    for (const Suggestion &s : found)
        out.append(s.address);
    return out;
}

} // namespace

TEST(SuggestionMatching, EveryWordAnywhereWithoutRegardToCase)
{
    SuggestionIndex index;
    index.addHistory({"https://docs.example.org/library/asyncio-task.html", "https://example.org/python",
                      "https://news.example.com/Asyncio/GATHER", ""});
    // Words in any order, in the middle of the address, in another case.
    EXPECT_EQ(addresses(index.find("gather  ASYNCIO")), (QList<QByteArray>{"https://news.example.com/Asyncio/GATHER"}));
    EXPECT_EQ(addresses(index.find("asyncio")).size(), 2);
    // Every word is required.
    EXPECT_TRUE(index.find("asyncio python").isEmpty());
    EXPECT_TRUE(index.find("nothing-like-it").isEmpty());
    // Blanks alone ask for nothing.
    EXPECT_TRUE(index.find(" \t ").isEmpty());
}

TEST(SuggestionMatching, LettersBeyondAsciiFoldInTheCodePage)
{
    SuggestionIndex index;
    // 0xC9 'É' and 0x8A 'Š' are the capitals of 0xE9 'é' and 0x9A 'š'.
    index.addHistory({QByteArray("http://caf\xc9.example/\x8A" "koda"), QByteArray("http://other.example/\xD7")});
    EXPECT_EQ(index.find(QByteArray("caf\xe9 \x9akoda")).size(), 1);
    // The multiplication sign 0xD7 is no letter: 0xF7 (division) is no match.
    EXPECT_EQ(index.find(QByteArray("\xD7")).size(), 1);
    EXPECT_TRUE(index.find(QByteArray("\xF7")).isEmpty());
}

TEST(SuggestionMatching, BookmarkNamesMatchAndEachAddressComesOnce)
{
    SuggestionIndex index;
    index.addHistory({"http://a.example/x", "http://a.example/x", "http://b.example/"});
    index.addBookmark("http://a.example/x", "Holiday pictures");
    index.addBookmark("http://c.example/", "Holiday plans");
    EXPECT_EQ(addresses(index.find("holiday")), (QList<QByteArray>{"http://a.example/x", "http://c.example/"}));
    const QList<Suggestion> found = index.find("example");
    EXPECT_EQ(found.size(), 3);
    EXPECT_EQ(found.first(), (Suggestion{"http://a.example/x", "Holiday pictures", true}));
    // Address and name are separate texts: no word runs from one into the other.
    EXPECT_TRUE(index.find("/xholiday").isEmpty());
}

TEST(SuggestionMatching, AtMostTenAndHugeOrManyWordsAreHarmless)
{
    SuggestionIndex index;
    QList<QByteArray> history;
    for (int i = 0; i < 50; ++i)
        history.append("http://site" + QByteArray::number(i) + ".example/");
    index.addHistory(history);
    EXPECT_EQ(index.find("site").size(), SuggestionIndex::kListLength);
    EXPECT_TRUE(index.find(QByteArray(100000, 's')).isEmpty());
    QByteArray many;
    for (int i = 0; i < 200; ++i)
        many += "site example ";
    EXPECT_EQ(index.find(many).size(), SuggestionIndex::kListLength);
    EXPECT_EQ(addresses(index.find(many + "site49.")), (QList<QByteArray>{"http://site49.example/"}));
}

TEST(SuggestionRanking, RecentAndFrequentFirstBookmarksFirstAmongEquals)
{
    SuggestionIndex index;
    index.addHistory({"http://old.example/", "http://often.example/", "http://often.example/", "http://often.example/",
                      "http://recent.example/"});
    EXPECT_EQ(addresses(index.find("example")),
              (QList<QByteArray>{"http://often.example/", "http://recent.example/", "http://old.example/"}));
    // One more visit makes the oldest the newest.
    index.addVisit("http://old.example/");
    EXPECT_EQ(addresses(index.find("example")).first(), "http://often.example/");
    EXPECT_EQ(addresses(index.find("example")).at(1), "http://old.example/");
    // A bookmark never opened comes after every visited address, and before
    // an equal that is no bookmark.
    index.addBookmark("http://saved.example/", "saved");
    EXPECT_EQ(addresses(index.find("example")).last(), "http://saved.example/");
    // Two addresses opened once, next to each other: the bookmark first.
    index.addVisit("http://plain.example/");
    index.addVisit("http://marked.example/");
    index.addVisit("http://plain2.example/");
    index.addBookmark("http://marked.example/", "m");
    EXPECT_EQ(addresses(index.find("plain2 example")).size(), 1);
    const QList<QByteArray> ranked = addresses(index.find("example"));
    EXPECT_LT(ranked.indexOf("http://marked.example/"), ranked.indexOf("http://plain2.example/"));
}

TEST(SuggestionRanking, AnOldHabitGivesWayToANewOne)
{
    SuggestionIndex index;
    QList<QByteArray> history;
    for (int i = 0; i < 5; ++i)
        history.append("http://habit-old.example/");
    for (int i = 0; i < 2000; ++i)
        history.append("http://filler" + QByteArray::number(i) + ".test/");
    index.addHistory(history);
    index.addVisit("http://habit-new.example/");
    EXPECT_EQ(addresses(index.find("habit")),
              (QList<QByteArray>{"http://habit-new.example/", "http://habit-old.example/"}));
}

// Typing narrows the last search rather than starting again; whatever the
// order of searches and changes, the answer must be the one a fresh index
// gives for the same query.
TEST(SuggestionMatching, NarrowingSearchesAgreeWithAFreshIndex)
{
    QRandomGenerator random(1234);
    const QByteArray letters = "abcdeop./";
    QList<QByteArray> history;
    for (int i = 0; i < 1500; ++i) {
        QByteArray entry = "h";
        const int length = 3 + int(random.bounded(12));
        for (int k = 0; k < length; ++k)
            entry.append(letters.at(int(random.bounded(letters.size()))));
        history.append(entry);
        if (random.bounded(4) == 0 && !history.isEmpty())
            history.append(history.at(int(random.bounded(history.size()))));
    }
    SuggestionIndex typing;
    typing.addHistory(history);
    QList<QByteArray> later = history;
    for (int round = 0; round < 150; ++round) {
        QByteArray typed;
        const int length = 1 + int(random.bounded(6));
        for (int k = 0; k < length; ++k) {
            typed.append(letters.at(int(random.bounded(letters.size()))));
            if (random.bounded(5) == 0)
                typed.append(' ');
            SuggestionIndex fresh;
            fresh.addHistory(later);
            ASSERT_EQ(addresses(typing.find(typed)), addresses(fresh.find(typed))) << typed.constData();
        }
        if (round % 7 == 0) {
            const QByteArray visited = history.at(int(random.bounded(history.size())));
            typing.addVisit(visited);
            later.append(visited);
        }
    }
}
