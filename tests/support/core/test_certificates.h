#pragma once

#include <QString>
#include <QTemporaryDir>

// A certificate authority and server certificates made with the openssl
// command in a temporary folder, for TLS servers on 127.0.0.1:
//
//   TestCertificates certs;
//   ASSERT_TRUE(certs.make()) << certs.error().toStdString();
//   nginx.setTls(certs.certificate(TestCertificates::Good), certs.key(TestCertificates::Good));
//   ... trust certs.caFile() ...
//
// Every certificate is for IP 127.0.0.1 and the name "localhost" unless its
// kind says otherwise.
namespace testing_support {

class TestCertificates {
public:
    enum Kind {
        Good,       // signed by the CA, valid now
        WrongHost,  // signed by the CA, for "other.example.test" only
        SelfSigned, // signed by itself
        Expired,    // signed by the CA, valid for one day in 2020
        UnknownCa,  // signed by a second CA that nobody trusts
        Wildcards,  // signed by the CA, for "*.w.test" and the partial wildcard "b*.a.test"
        CommonNameOnly, // signed by the CA, "localhost" as its common name and no alternative names
    };

    TestCertificates() = default;
    // Makes the CAs and every kind of certificate; false (see error()) when
    // the openssl command fails.
    bool make();
    QString error() const { return m_error; }

    QString caFile() const;           // the trusted CA's certificate (PEM)
    // Makes the user's own certificate store under `home` (.pki/nssdb, as
    // the page engine reads it) holding the CA with the trust flags `trust`
    // ("C,," trusts it for web sites; ",," holds it without trust).
    bool makeUserStore(const QString &home, const QString &trust = QStringLiteral("C,,"));
    QString certificate(Kind kind) const;
    QString key(Kind kind) const;

private:
    bool run(const QStringList &args, const QString &program = QStringLiteral("openssl"));
    bool makeCa(const QString &name, const QString &subject);
    bool makeSigned(Kind kind, const QString &ca, const QString &altNames, const QStringList &dates);
    QString path(const QString &name) const;

    QTemporaryDir m_dir;
    QString m_error;
};

} // namespace testing_support
