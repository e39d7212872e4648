#include "suggest/search_address.h"
#include "support/core/temp_folder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace suggest;

TEST(SearchText, WordsAreSearchedAddressesNever)
{
    for (const char *words : {"python asyncio gather", "kestrelon", "  two words ", "a\tb", "local host", "note: buy milk"})
        EXPECT_TRUE(isSearchText(QString::fromUtf8(words))) << words;
    for (const char *address : {"example.com", "http://x", "about:blank", "localhost", "LOCALHOST/admin",
                                "localhost:8080", "10.0.0.1", "/tmp/page", "intranet:81", "", "   ", "http://127.0.0.1:8/a b", " ftp://x/two words "})
        EXPECT_FALSE(isSearchText(QString::fromUtf8(address))) << address;
}

TEST(SearchText, WordsArePercentEncodedIntoTheTemplate)
{
    EXPECT_EQ(searchAddress(QStringLiteral("http://127.0.0.1:9/find?q=%s&x=%s"), QStringLiteral(" a&b c/ä ")),
              QStringLiteral("http://127.0.0.1:9/find?q=a%26b%20c%2F%C3%A4&x=a%26b%20c%2F%C3%A4"));
}

TEST(SearchText, TemplateFromTheInstallationOrTheDefault)
{
    testing_support::TempCurrentFolder dir;
    EXPECT_EQ(readSearchTemplate(dir.path()), kDefaultSearchTemplate);
    dir.write("config/search.cfg", "no placeholder\n");
    EXPECT_EQ(readSearchTemplate(dir.path()), kDefaultSearchTemplate);
    QFile::remove(dir.file("config/search.cfg"));
    dir.write("config/Search.cfg", "  http://127.0.0.1:5/?w=%s \r\nsecond line %s\n");
    EXPECT_EQ(readSearchTemplate(dir.path()), QStringLiteral("http://127.0.0.1:5/?w=%s"));
}
