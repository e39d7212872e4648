#pragma once

#include <QByteArray>
#include <QtGlobal>

// Splitting a request address into what the connection and the request line
// need. The rules are positional, on '/' and ':' fields, not a general URL
// parser: "http://name:8080/a/b" gives the host "name", the port 8080 and the
// path "/a/b"; "/a/b" keeps the host and port of the previous request; a
// bare "name" is taken as a host.
namespace http {

struct Address {
    QByteArray url;  // the address; gains a trailing "/" when it has no path
    QByteArray path; // from the third '/' on (or the first, without "//"); "/" at least
    QByteArray host; // kept when the address names none
    qint32 port = 0; // the caller's, reset from a scheme, set by ":port"
    bool secure = false; // https; kept, like the host, when the address names no scheme
};

// Applies the address rules to `address` in place. Throws Exception
// "Empty URL", "HTTP Secure Socket is not supported" (an https address
// while `httpsAllowed` is false; with it, https means port 443), Exception
// "Address contains a line break or NUL byte: nothing was sent",
// EConvertError for a port that is not decimal digits and ERangeError for a
// port outside 1..65535, the caller's own included.
void parseAddress(Address &address, bool httpsAllowed = false);

// True when the address names a host of its own ("http://a/x", "a/x"), false
// for a path ("/x") that goes to the host of the previous request.
bool namesHost(const QByteArray &url);

// Where a redirect's Location leads from the address of the pass that got
// it (`current`, already parsed). Absolute addresses, "/path" and a bare
// name ("page.html", placed under the current host) keep their old rules,
// and so does "host:port/x" (a name or an IPv4 address);
// every other reference ("sub/x", "./x", "../x", "?q=1", "//host/x") is
// resolved as web clients resolve references, keeping the current scheme,
// host and port where the reference gives none. Dot segments are removed,
// a fragment is dropped and blanks and control bytes are percent-encoded,
// since none of them may appear in a request line. A scheme other than http
// and https ("mailto:x", "ftp://x") raises Exception "Cannot follow a
// redirect to ...".
QByteArray resolveRedirect(const QByteArray &location, const Address &current);

// `text` with blanks, control bytes and DEL percent-encoded, so that it can
// stand in a request line; everything else, existing escapes included,
// stays as it is.
QByteArray requestSafe(const QByteArray &text);

// The smallest and largest port an address may name.
constexpr qint32 kFirstPort = 1;
constexpr qint32 kLastPort = 65535;

} // namespace http
