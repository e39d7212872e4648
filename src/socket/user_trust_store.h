#pragma once

// The CA certificates the user marked as trusted for web sites in their own
// certificate store, the one the page engine reads ($HOME/.pki/nssdb), so
// that a fetch of our own trusts what the page itself trusts. Exceptions
// accepted for one page ("Proceed anyway") are not in that store and are
// never trusted here.

#include <QByteArray>
#include <QList>

namespace sockets {

// The DER bytes of each such certificate; none when the store does not
// exist or cannot be read. The store is opened read-only, and only when it
// exists: the library that reads it is loaded then, not before. What was
// read is kept while the store's files are unchanged.
QList<QByteArray> UserTrustedCaCertificates();

} // namespace sockets
