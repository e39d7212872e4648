#pragma once

// What the fetch benchmarks share: kestrelon-get and curl take turns on the
// same bodies from one private nginx, each run timed by the measuring
// helper (wall time around fork and wait, the command's own peak RSS).

#include <QByteArray>
#include <QString>
#include <vector>

#include "support/core/nginx_server.h"

namespace fetch_bench {

struct Body {
    const char *name; // file name under the server's root, ".bin" at its end
    qint64 size;
};

// Writes each body into the server's root: bytes no compression or caching
// layer could shorten.
void writeBodies(const testing_support::NginxServer &server, const std::vector<Body> &bodies);

// Fetches every body `rounds` times with each program (output to a file,
// checked against the served file), prints one line per body: the medians of
// the wall times, their ratio and the peak resident sizes. Returns the number
// of fetches that failed or differed.
int compare(const testing_support::NginxServer &server, const std::vector<Body> &bodies, int rounds,
            const std::vector<QByteArray> &curlOptions, const std::vector<QByteArray> &kgetOptions);

} // namespace fetch_bench
