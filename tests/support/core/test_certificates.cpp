#include "support/core/test_certificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace testing_support {

namespace {

const char *const kNames[] = {"good", "wronghost", "selfsigned", "expired", "unknownca", "wildcards", "cnonly"};
const QString kLocal = QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost");
// EC keys: made in milliseconds, and every TLS library speaks them.
const QStringList kNewKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes")};

} // namespace

QString TestCertificates::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString TestCertificates::caFile() const
{
    return path(QStringLiteral("ca.pem"));
}

QString TestCertificates::certificate(Kind kind) const
{
    return path(QString::fromLatin1(kNames[kind]) + QStringLiteral(".pem"));
}

QString TestCertificates::key(Kind kind) const
{
    return path(QString::fromLatin1(kNames[kind]) + QStringLiteral(".key"));
}

bool TestCertificates::run(const QStringList &args, const QString &program)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2: %3").arg(program, args.join(' '), QString::fromLocal8Bit(process.readAll()));
        return false;
    }
    return true;
}

bool TestCertificates::makeUserStore(const QString &home, const QString &trust)
{
    const QString folder = home + QStringLiteral("/.pki/nssdb");
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    const QString store = QStringLiteral("sql:") + folder;
    const QString certutil = QStringLiteral("certutil");
    return run({QStringLiteral("-N"), QStringLiteral("-d"), store, QStringLiteral("--empty-password")}, certutil) &&
           run({QStringLiteral("-A"), QStringLiteral("-d"), store, QStringLiteral("-n"), QStringLiteral("test-ca"),
                QStringLiteral("-t"), trust, QStringLiteral("-i"), caFile()},
               certutil);
}

bool TestCertificates::makeCa(const QString &name, const QString &subject)
{
    // "openssl ca" keeps its records in a folder of its own per CA; it is
    // what can give a certificate chosen validity dates.
    QFile(path(name + QStringLiteral(".index"))).open(QIODevice::WriteOnly);
    QFile serial(path(name + QStringLiteral(".serial")));
    serial.open(QIODevice::WriteOnly);
    serial.write("1000\n");
    serial.close();
    QFile conf(path(name + QStringLiteral(".cnf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("[ca]\ndefault_ca = this\n[this]\ndatabase = %1.index\nserial = %1.serial\n"
                              "new_certs_dir = .\ndefault_md = sha256\npolicy = any\ncopy_extensions = copy\n"
                              "unique_subject = no\ndefault_days = 30\n[any]\ncommonName = supplied\n")
                   .arg(name)
                   .toUtf8());
    conf.close();
    return run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kNewKey +
               QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                           name + QStringLiteral(".pem"), QStringLiteral("-days"), QStringLiteral("30"),
                           QStringLiteral("-subj"), subject});
}

bool TestCertificates::makeSigned(Kind kind, const QString &ca, const QString &altNames, const QStringList &dates)
{
    const QString name = QString::fromLatin1(kNames[kind]);
    // Without alternative names the common name is the only name it has.
    const QString commonName = altNames.isEmpty() ? QStringLiteral("localhost") : name;
    QStringList request = QStringList{QStringLiteral("req")} + kNewKey +
                          QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                                      name + QStringLiteral(".csr"), QStringLiteral("-subj"),
                                      QStringLiteral("/CN=") + commonName};
    if (!altNames.isEmpty())
        request << QStringLiteral("-addext") << altNames;
    if (!run(request))
        return false;
    return run(QStringList{QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-notext"),
                           QStringLiteral("-config"), ca + QStringLiteral(".cnf"), QStringLiteral("-cert"),
                           ca + QStringLiteral(".pem"), QStringLiteral("-keyfile"), ca + QStringLiteral(".key"),
                           QStringLiteral("-in"), name + QStringLiteral(".csr"), QStringLiteral("-out"),
                           name + QStringLiteral(".pem")} +
               dates);
}

bool TestCertificates::make()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    return makeCa(QStringLiteral("ca"), QStringLiteral("/CN=Kestrelon Test CA")) &&
           makeCa(QStringLiteral("otherca"), QStringLiteral("/CN=Untrusted Test CA")) &&
           makeSigned(Good, QStringLiteral("ca"), kLocal, {}) &&
           makeSigned(WrongHost, QStringLiteral("ca"), QStringLiteral("subjectAltName=DNS:other.example.test"), {}) &&
           makeSigned(Expired, QStringLiteral("ca"), kLocal,
                      {QStringLiteral("-startdate"), QStringLiteral("20200101000000Z"), QStringLiteral("-enddate"),
                       QStringLiteral("20200102000000Z")}) &&
           makeSigned(UnknownCa, QStringLiteral("otherca"), kLocal, {}) &&
           makeSigned(Wildcards, QStringLiteral("ca"), QStringLiteral("subjectAltName=DNS:*.w.test,DNS:b*.a.test"), {}) &&
           makeSigned(CommonNameOnly, QStringLiteral("ca"), QString(), {}) &&
           run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kNewKey +
               QStringList{QStringLiteral("-keyout"), QStringLiteral("selfsigned.key"), QStringLiteral("-out"),
                           QStringLiteral("selfsigned.pem"), QStringLiteral("-days"), QStringLiteral("30"),
                           QStringLiteral("-subj"), QStringLiteral("/CN=selfsigned"), QStringLiteral("-addext"),
                           kLocal});
}

} // namespace testing_support
