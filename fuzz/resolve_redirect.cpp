// Redirect resolution: any Location value, against any address a pass may
// have had, either is refused as a scheme the client does not speak or
// gives an address that a request line can carry, that resolves to itself
// again, and that stays on the current server when it is a path.

#include "fuzz_support.h"

#include "http/address.h"
#include "toolkit/core/exceptions.h"

namespace {

bool requestLineSafe(const QByteArray &text)
{
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The current address, a line feed, then the Location value.
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf('\n');
    if (split < 0)
        return 0;
    http::Address current;
    current.url = input.left(split);
    current.host = "previous";
    try {
        http::parseAddress(current, true);
    } catch (const Exception &) {
        return 0; // no pass had this address
    }
    const QByteArray location = input.mid(split + 1);

    QByteArray resolved;
    try {
        resolved = http::resolveRedirect(location, current);
    } catch (const Exception &e) {
        FUZZ_CHECK(e.message().startsWith(QLatin1String("Cannot follow a redirect to ")));
        return 0;
    }
    FUZZ_CHECK(!resolved.isEmpty());
    FUZZ_CHECK(requestLineSafe(resolved));
    // The current host is taken as it was parsed; anything else of the
    // Location loses its fragment.
    const bool plainHost = requestLineSafe(current.host) && !current.host.contains('#');
    FUZZ_CHECK(!plainHost || !resolved.contains('#'));
    // A resolved address is absolute: resolving it again changes nothing.
    FUZZ_CHECK(!plainHost || http::resolveRedirect(resolved, current) == resolved);

    http::Address next;
    next.url = resolved;
    next.host = current.host;
    next.port = current.port;
    next.secure = current.secure;
    try {
        http::parseAddress(next, true);
    } catch (const Exception &e) {
        // Only a port the Location itself wrote can be wrong.
        FUZZ_CHECK(e.message().startsWith(QLatin1String("Port number")) ||
                   e.message().endsWith(QLatin1String("is not a valid integer value")));
        return 0;
    }
    const QByteArray reference = location.trimmed();
    if (plainHost && reference.startsWith('/') && !reference.startsWith("//")) {
        FUZZ_CHECK(next.host == current.host);
        FUZZ_CHECK(next.port == current.port);
        FUZZ_CHECK(next.secure == current.secure);
        const qsizetype query = next.path.indexOf('?');
        const QByteArray path = query < 0 ? next.path : next.path.left(query);
        FUZZ_CHECK(!path.contains("/./") && !path.contains("/../"));
    }
    return 0;
}
