#include "suggest/suggestion_service.h"
#include "support/core/temp_folder.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

using suggest::Suggestion;
using suggest::SuggestionService;

namespace {

QList<Suggestion> answer(SuggestionService &service, const QByteArray &typed)
{
    QSignalSpy spy(&service, &SuggestionService::suggestionsReady);
    const quint64 serial = service.request(typed);
    while (spy.isEmpty() || spy.last().at(0).toULongLong() != serial) {
        if (!spy.wait(20000))
            return {{"no answer", {}, false}};
    }
    return spy.last().at(2).value<QList<Suggestion>>();
}

} // namespace

// Searches asked for while the index is being built are answered once it
// is; later visits and bookmarks count in the order they were made.
TEST(SuggestionService, AnswersAfterTheBuildAndFollowsChanges)
{
    testing_support::TempCurrentFolder dir;
    dir.write("Bookmarks/Release notes.bkm", "http://notes.example/");
    dir.write("Bookmarks/Empty.bkm", "");
    QDir(dir.path()).mkpath("Bookmarks/folder.bkm");
    dir.write("Bookmarks/other.txt", "http://not-a-bookmark.example/");

    SuggestionService service;
    QList<QByteArray> history;
    for (int i = 0; i < 20000; ++i)
        history.append("http://page" + QByteArray::number(i) + ".example/");
    service.build(history, dir.file("Bookmarks"));
    service.addVisit("http://page7.example/");
    EXPECT_EQ(answer(service, "page7.").first().address, "http://page7.example/");
    const QList<Suggestion> notes = answer(service, "RELEASE");
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.first(), (Suggestion{"http://notes.example/", "Release notes", true}));
    EXPECT_TRUE(answer(service, "not-a-bookmark").isEmpty());
    service.addBookmark("http://fresh.example/", "Fresh");
    EXPECT_EQ(answer(service, "fresh").size(), 1);
}
