#include "http/address.h"
#include "toolkit/core/exceptions.h"

#include <gtest/gtest.h>

using http::Address;
using http::parseAddress;

namespace {

struct Case {
    const char *url;
    QByteArray previousHost;
    qint32 previousPort;
    // expected
    QByteArray url2;
    QByteArray path;
    QByteArray host;
    qint32 port;
};

QString errorOf(const char *url, qint32 port = 0)
{
    Address a{url, {}, "old", port};
    try {
        parseAddress(a);
    } catch (const Exception &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(ParseAddress, SplitsHostPortAndPath)
{
    const Case cases[] = {
        // No path: requested as "/", and the address gains the slash.
        {"http://name", "", 0, "http://name/", "/", "name", 80},
        {"http://name/", "", 0, "http://name/", "/", "name", 80},
        {"http://name/a/b?q=1", "", 0, "http://name/a/b?q=1", "/a/b?q=1", "name", 80},
        // An explicit port; the host is the name alone.
        {"http://name:8080/x", "", 0, "http://name:8080/x", "/x", "name", 8080},
        {"http://name:81:82/", "", 0, "http://name:81:82/", "/", "name", 81},
        // Without any ':' the caller's port stays (80 when none was set).
        {"name/x", "", 8081, "name/x", "/x", "name", 8081},
        {"name", "", 0, "name/", "/", "name", 80},
        // An absolute path keeps the previous host and port.
        {"/a/b", "prev", 8080, "/a/b", "/a/b", "prev", 8080},
        // Any scheme resets the port; unknown schemes are spoken to as HTTP.
        {"http://h/", "", 8080, "http://h/", "/", "h", 80},
        {"gopher://g/", "", 0, "gopher://g/", "/", "g", 70},
        {"FTP://f/", "", 0, "FTP://f/", "/", "f", 21},
        {"news://n/", "", 0, "news://n/", "/", "n", 80},
        // A ':' inside a path or query is no scheme: the port stays.
        {"/a:b", "prev", 8080, "/a:b", "/a:b", "prev", 8080},
        {"/wiki/File:x.png", "prev", 443, "/wiki/File:x.png", "/wiki/File:x.png", "prev", 443},
        {"/?t=10:30", "prev", 8080, "/?t=10:30", "/?t=10:30", "prev", 8080},
        // An address without a host part keeps the previous host.
        {"http:///x", "prev", 0, "http:///x", "/x", "prev", 80},
    };
    for (const Case &c : cases) {
        Address a{c.url, {}, c.previousHost, c.previousPort};
        parseAddress(a);
        EXPECT_EQ(a.url, c.url2) << c.url;
        EXPECT_EQ(a.path, c.path) << c.url;
        EXPECT_EQ(a.host, c.host) << c.url;
        EXPECT_EQ(a.port, c.port) << c.url;
    }
}

TEST(ParseAddress, KeepsLongPathsWhole)
{
    const QByteArray tail(10000, 'p');
    Address a{"http://h/" + tail, {}, {}, 0};
    parseAddress(a);
    EXPECT_EQ(a.path, "/" + tail);
}

TEST(ParseAddress, RefusesWhatItCannotRequest)
{
    EXPECT_EQ(errorOf(""), "Empty URL");
    EXPECT_EQ(errorOf("https://secure/"), "HTTP Secure Socket is not supported");
    EXPECT_EQ(errorOf("HTTPS://secure"), "HTTP Secure Socket is not supported");
    EXPECT_EQ(errorOf("http://h:x/"), "'x' is not a valid integer value");
    EXPECT_EQ(errorOf("http://h:/"), "'' is not a valid integer value");
    EXPECT_EQ(errorOf("http://[::1]:80/"), "'' is not a valid integer value");
    // Ports the connection could not use are refused instead of being
    // wrapped to 16 bits (65616 would have gone to port 80).
    EXPECT_EQ(errorOf("http://h:0/"), "Port number 0 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("http://h:65536/"), "Port number 65536 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("http://h:65616/"), "Port number 65616 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("http://h:-1/"), "Port number -1 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("http://h:1/"), "<no error>");
    // Decimal digits only, as ports are written in addresses.
    EXPECT_EQ(errorOf("http://h:+80/"), "'+80' is not a valid integer value");
    EXPECT_EQ(errorOf("http://h:$50/"), "'$50' is not a valid integer value");
    EXPECT_EQ(errorOf("http://h: 80/"), "' 80' is not a valid integer value");
    EXPECT_EQ(errorOf("http://h:0080/"), "<no error>");
    // A port the caller left is checked like one the address names.
    EXPECT_EQ(errorOf("h/x", -1), "Port number -1 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("/x", 70000), "Port number 70000 is out of range (1 to 65535)");
    EXPECT_EQ(errorOf("h/x", 8080), "<no error>");
    EXPECT_EQ(errorOf("http://h:65535/"), "<no error>");
}

TEST(ParseAddress, LineBreaksAndNulAreRefusedAnywhere)
{
    const QString refused = QStringLiteral("Address contains a line break or NUL byte: nothing was sent");
    EXPECT_EQ(errorOf("http://h/a HTTP/1.0\r\nX-Injected: yes\r\n\r\nGET /smuggled"), refused);
    EXPECT_EQ(errorOf("http://h\n/"), refused);
    EXPECT_EQ(errorOf("/a\rb"), refused);
    Address a{QByteArray("http://h/a\0b", 12), {}, "old", 0};
    EXPECT_THROW(parseAddress(a), Exception);
    EXPECT_EQ(a.host, "old"); // refused before anything is taken from it
    // Blanks and tabs are no line break: the request line encodes them.
    EXPECT_EQ(errorOf("http://h/a b\tc"), "<no error>");
}

TEST(ResolveRedirect, RelativeReferencesKeepSchemeHostAndPort)
{
    const Address current{"http://h:8080/a/b/page?x=1", "/a/b/page?x=1", "h", 8080};
    const Address secure{"https://h/a/b/page", "/a/b/page", "h", 443, true};
    const struct {
        const Address *from;
        const char *location;
        const char *expected;
    } cases[] = {
        {&current, "sub/x", "http://h:8080/a/b/sub/x"},
        {&current, "./x", "http://h:8080/a/b/x"},
        {&current, "../x", "http://h:8080/a/x"},
        {&current, "../../../../x", "http://h:8080/x"},
        {&current, ".", "http://h:8080/a/b/"},
        {&current, "?q=1", "http://h:8080/a/b/page?q=1"},
        {&current, "//other/x", "http://other/x"},
        {&secure, "//other/x", "https://other/x"},
        {&secure, "sub/x", "https://h/a/b/sub/x"},
        {&secure, "page.html", "https://h/page.html"},
        // A bare name under the host, a path on the same scheme, host and
        // port (a ':' in it included), absolute addresses as they are.
        {&current, "page.html", "http://h:8080/page.html"},
        {&current, "/x/../y", "http://h:8080/y"},
        {&secure, "/wiki/File:x.png", "https://h/wiki/File:x.png"},
        {&current, "/?t=10:30", "http://h:8080/?t=10:30"},
        {&current, "http://far/x", "http://far/x"},
        {&current, "HTTPS://far/x", "HTTPS://far/x"},
        {&current, "name:81/x", "name:81/x"},
        // An address and a port name a host too, exactly like a name does.
        {&current, "127.0.0.1:81/x", "127.0.0.1:81/x"},
        // What a request line cannot carry.
        {&current, " /a b#frag", "http://h:8080/a%20b"},
        {&current, "x?a=1#f", "http://h:8080/x?a=1"},
        {&current, "sub/a\tb", "http://h:8080/a/b/sub/a%09b"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(http::resolveRedirect(c.location, *c.from).toStdString(), c.expected) << c.location;
}

TEST(ResolveRedirect, SchemesTheClientDoesNotSpeakAreRefused)
{
    const Address current{"http://h/a", "/a", "h", 80};
    // ftp and gopher servers would be spoken to in HTTP.
    for (const char *location :
         {"foo:bar", "mailto:someone@h", "javascript:alert(1)", "ftp://h/x", "gopher://h:70/x", "FTP://h/"}) {
        try {
            http::resolveRedirect(location, current);
            ADD_FAILURE() << location << " was followed";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message().toStdString(), std::string("Cannot follow a redirect to ") + location);
        }
    }
}

TEST(ParseAddress, HttpsIsRefusedUnlessAllowedThenUsesPort443)
{
    Address refused{"https://h/x", {}, {}, 0};
    EXPECT_THROW(parseAddress(refused), Exception);
    Address a{"https://h/x", {}, {}, 0};
    parseAddress(a, true);
    EXPECT_EQ(a.port, 443);
    EXPECT_TRUE(a.secure);
    Address b{"https://h:8443/x", {}, {}, 0};
    parseAddress(b, true);
    EXPECT_EQ(b.port, 8443);
    // A path keeps the scheme, like the host and port, of the address before.
    Address c{"/y", {}, "h", 443, true};
    parseAddress(c, true);
    EXPECT_TRUE(c.secure);
    EXPECT_EQ(c.port, 443);
    Address d{"http://h/z", {}, {}, 443, true};
    parseAddress(d, true);
    EXPECT_FALSE(d.secure);
    EXPECT_EQ(d.port, 80);
}
