// Content blocking in the browser window with the real engine: what the
// rules block is never fetched, the page and everything else loads, the
// caption counts the blocked requests, and an excepted site is left alone.
#include "app_fixture.h"
#include "contentfilter/filter_engine.h"
#include "platform/request_filter.h"
#include "support/gui/system_filter_lists.h"

#include <QWebEngineProfile>

#include <QWebEnginePage>
#include <QWebEngineView>

#include <atomic>
#include <chrono>
#include <future>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::waitFor;

namespace {

const QByteArray kRules = "/ads/banner.png\n/ads/track.js$script\n/adframe/$subdocument\n127.0.0.1##.sponsor\n";

const QByteArray kPage = "<html><head><title>News</title><script src='/ads/track.js'></script></head><body>"
                         "<img src='/ads/banner.png'><img src='/photo.png'>"
                         "<iframe src='/adframe/slot.html'></iframe>"
                         "<div id='s' class='sponsor'>sponsored</div></body></html>";

QHash<QByteArray, QByteArray> pages()
{
    return {{"/news", kPage},
            {"/photo.png", "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n"},
            {"/ads/banner.png", "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\n\r\n"},
            {"/ads/track.js", "HTTP/1.0 200 OK\r\nContent-Type: text/javascript\r\n\r\n"},
            {"/adframe/slot.html", "<html><body>ad</body></html>"}};
}

bool requested(const PageServer &server, const QByteArray &path)
{
    for (const QByteArray &line : server.requests())
        if (line.startsWith("GET " + path + " "))
            return true;
    return false;
}

QString displayOf(TForm1 &browser, const QString &id)
{
    auto *view = qobject_cast<QWebEngineView *>(browser.WebBrowser1().widget());
    QString display;
    bool answered = false;
    view->page()->runJavaScript(QStringLiteral("getComputedStyle(document.getElementById('%1')).display").arg(id),
                                [&](const QVariant &value) {
                                    display = value.toString();
                                    answered = true;
                                });
    EXPECT_TRUE(waitFor([&] { return answered; }));
    return display;
}

QString displayOfSponsor(TForm1 &browser)
{
    return displayOf(browser, QStringLiteral("s"));
}

} // namespace

TEST(ContentBlocking, BlockedAddressesAreNeverRequestedAndTheCaptionCountsThem)
{
    testing_support::useSystemFilterLists();
    PageServer server(pages());
    ProgramWindows program(ProgramWindows::Deferred{});
    program.folder().write(QStringLiteral("engine/filters/test.txt"), kRules);
    program.start();
    program.go(server.url("/news"));
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("News [Done] - 3 blocked"); }))
        << program.browser().windowTitle().toStdString();
    EXPECT_TRUE(requested(server, "/news"));
    EXPECT_TRUE(requested(server, "/photo.png"));
    EXPECT_FALSE(requested(server, "/ads/banner.png"));
    EXPECT_FALSE(requested(server, "/ads/track.js"));
    EXPECT_FALSE(requested(server, "/adframe/slot.html"));
    EXPECT_EQ(displayOfSponsor(program.browser()), QStringLiteral("none"));
    // The built rules are kept for the next start, once the page has them.
    EXPECT_TRUE(waitFor([&] { return program.folder().exists(QStringLiteral("engine/filters.cache")); }));
}

TEST(ContentBlocking, AnExceptedSiteLoadsEverythingAndTheCaptionSaysNothing)
{
    testing_support::useSystemFilterLists();
    PageServer server(pages());
    ProgramWindows program(ProgramWindows::Deferred{});
    program.folder().write(QStringLiteral("engine/filters/test.txt"), kRules);
    program.folder().write(QStringLiteral("engine/unfiltered-sites.txt"), "# my own server\n127.0.0.1\n");
    program.start();
    program.go(server.url("/news"));
    ASSERT_TRUE(waitFor([&] { return requested(server, "/adframe/slot.html") && requested(server, "/ads/banner.png"); }))
        << server.requests().join(' ').toStdString() << program.browser().windowTitle().toStdString();
    EXPECT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("News [Done]"); }))
        << program.browser().windowTitle().toStdString();
    EXPECT_TRUE(requested(server, "/ads/track.js"));
    EXPECT_EQ(displayOfSponsor(program.browser()), QStringLiteral("block"));
}

// What the page's hiding script does with a site's own rules beside the
// generic ones: a site's exception takes back only its selector, on that
// site, and the site's own and the other generic rules still hide.
TEST(ContentBlocking, ASitesOwnExceptionTakesBackOnlyItsSelector)
{
    testing_support::useSystemFilterLists();
    const QByteArray page = "<html><head><title>Shop</title></head><body><div id='a' class='wide'>a</div>"
                            "<div id='b' class='narrow'>b</div><div id='c' class='offer'>c</div></body></html>";
    PageServer server({{"/shop", page}});
    ProgramWindows program(ProgramWindows::Deferred{});
    program.folder().write(QStringLiteral("engine/filters/test.txt"),
                           "##.wide\n##.narrow\n127.0.0.1#@#.narrow\n127.0.0.1##.offer\nelsewhere.test##.wide\n");
    program.start();
    program.go(server.url("/shop"));
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle() == QStringLiteral("Shop [Done]"); }))
        << program.browser().windowTitle().toStdString();
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("a")), QStringLiteral("none"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("b")), QStringLiteral("block"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("c")), QStringLiteral("none"));
}

// Most generic rules stand for one class or id and reach a document only
// when it has that name: what a script adds or renames after the load is
// hidden too, names compare as the document compares them (without a
// doctype, in any case), a name beyond ASCII still matches, and what the
// rules do not name stays.
TEST(ContentBlocking, GenericRulesFollowTheNamesADocumentGainsLater)
{
    testing_support::useSystemFilterLists();
    const QByteArray page = "<html><head><meta charset='utf-8'><title>Feed</title></head><body>"
                            "<div id='a' class='Promo box'>a</div><div id='f' class='r\xc3\xa9" "clame'>f</div>"
                            "<div id='b'>b</div><div id='c' class='story'>c</div><script>"
                            "addEventListener('load', function () {"
                            "  var d = document.createElement('section'); d.id = 'd';"
                            "  d.innerHTML = '<p id=e class=late>e</p>'; document.body.appendChild(d);"
                            "  document.getElementById('b').className = 'late';"
                            "  document.title = 'Feed changed';"
                            "});</script></body></html>";
    PageServer server({{"/feed", page}});
    ProgramWindows program(ProgramWindows::Deferred{});
    program.folder().write(QStringLiteral("engine/filters/test.txt"), "##.promo\n##.late\n##.late-news\n##div.story\n##.r\xc3\xa9" "clame\n");
    program.start();
    program.go(server.url("/feed"));
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle().startsWith(QStringLiteral("Feed changed")); }))
        << program.browser().windowTitle().toStdString();
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("a")), QStringLiteral("none"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("b")), QStringLiteral("none"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("c")), QStringLiteral("none"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("d")), QStringLiteral("block"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("e")), QStringLiteral("none"));
    EXPECT_EQ(displayOf(program.browser(), QStringLiteral("f")), QStringLiteral("none"));
}

// A page typed while the rules are still being built loads at once (no rule
// ever blocks the page itself), and its element hiding comes with the rules.
TEST(ContentBlocking, APageBeforeTheRulesLoadsAtOnceAndIsHiddenInWhenTheyCome)
{
    PageServer server({{"/news", "<html><head><title>News</title><link rel='icon' href='data:,'></head>"
                                 "<body><div id='s' class='sponsor'>sponsored</div></body></html>"}});
    std::promise<void> release;
    std::atomic<bool> built{false};
    bool released = false;
    QWebEngineProfile profile;
    auto *filter = new platform::RequestFilter(
        [go = release.get_future().share(), &built] {
            // Bounded, so that a page that does wait fails the test instead
            // of holding it.
            go.wait_for(std::chrono::seconds(30));
            built = true;
            platform::RequestFilter::Rules rules;
            rules.engine = contentfilter::FilterEngine::build({"##.sponsor\n"});
            rules.hidingScript = rules.engine->cosmetic().pageScript({});
            return rules;
        },
        &profile);
    profile.setUrlRequestInterceptor(filter);
    QWebEngineView view;
    auto *page = new QWebEnginePage(&profile, &view);
    view.setPage(page);
    filter->watch(page);
    bool loadedFirst = false;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool ok) {
        if (released)
            return;
        loadedFirst = ok && !built;
        released = true;
        release.set_value();
    });
    view.load(QUrl(server.url("/news")));
    ASSERT_TRUE(waitFor([&] { return released; }));
    EXPECT_TRUE(loadedFirst);
    QString display;
    EXPECT_TRUE(waitFor([&] {
        bool answered = false;
        page->runJavaScript(QStringLiteral("getComputedStyle(document.getElementById('s')).display"),
                            [&](const QVariant &value) {
                                display = value.toString();
                                answered = true;
                            });
        return waitFor([&] { return answered; }) && display == QStringLiteral("none");
    })) << display.toStdString();
}
