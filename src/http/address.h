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
};

// Applies the address rules to `address` in place. Throws Exception
// "Empty URL" and "HTTP Secure Socket is not supported", EConvertError for a
// port that is not a number and ERangeError for one outside 1..65535.
void parseAddress(Address &address);

// The smallest and largest port an address may name.
constexpr qint32 kFirstPort = 1;
constexpr qint32 kLastPort = 65535;

} // namespace http
