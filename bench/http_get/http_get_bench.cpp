// Fetch speed and memory of kestrelon-get next to curl --http1.0, in the
// same run, on bodies of 1 MB, 20 MB and 200 MB served by a private nginx
// on 127.0.0.1. Wall time is taken around fork and wait in the helper, so
// shell start-up is not in it. Each fetch writes to a file (-o); the two
// programs take turns so that both see the same machine state. Prints the
// medians of the wall times and of the peak resident sizes; never fails on
// time.
//
//   bench_http_get [rounds]     (default 5)

#include "fetch_bench.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const std::vector<fetch_bench::Body> bodies = {{"1m.bin", 1 << 20}, {"20m.bin", 20 << 20}, {"200m.bin", 200ll << 20}};
    testing_support::NginxServer nginx;
    fetch_bench::writeBodies(nginx, bodies);
    if (!nginx.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(nginx.error()));
        return 1;
    }
    return fetch_bench::compare(nginx, bodies, rounds, {}, {}) ? 1 : 0;
}
