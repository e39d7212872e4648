// Fetch speed and memory over TLS: kestrelon-get next to
// curl --http1.0 --cacert, in the same run, on bodies of 20 MB and 200 MB
// from a private nginx with TLS on 127.0.0.1 whose certificate a CA made
// for this run signed. Prints medians of wall time and peak RSS and their
// ratio; never fails on time.
//
//   bench_https_get [rounds]     (default 5)

#include "fetch_bench.h"
#include "support/core/test_certificates.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    testing_support::TestCertificates certs;
    if (!certs.make()) {
        std::fprintf(stderr, "%s\n", qPrintable(certs.error()));
        return 1;
    }
    const std::vector<fetch_bench::Body> bodies = {{"20m.bin", 20 << 20}, {"200m.bin", 200ll << 20}};
    testing_support::NginxServer nginx;
    nginx.setTls(certs.certificate(testing_support::TestCertificates::Good),
                 certs.key(testing_support::TestCertificates::Good));
    fetch_bench::writeBodies(nginx, bodies);
    if (!nginx.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(nginx.error()));
        return 1;
    }
    const QByteArray ca = certs.caFile().toLocal8Bit();
    return fetch_bench::compare(nginx, bodies, rounds, {"--cacert", ca}, {"--cacert", ca}) ? 1 : 0;
}
