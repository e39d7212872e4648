#include "tls_session.h"

#include "user_trust_store.h"

#include <QFile>
#include <QFileInfo>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace sockets {

namespace {

// A socket BIO of our own: OpenSSL's writes with write(), which raises
// SIGPIPE on a connection the peer has closed; this one sends with
// MSG_NOSIGNAL and never blocks.
int bioWrite(BIO *bio, const char *data, int length)
{
    const int fd = *static_cast<int *>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::send(fd, data, size_t(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return int(n);
}

int bioRead(BIO *bio, char *data, int length)
{
    const int fd = *static_cast<int *>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::recv(fd, data, size_t(length), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    return int(n);
}

long bioControl(BIO *, int command, long, void *)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int bioCreate(BIO *bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD *socketMethod()
{
    static BIO_METHOD *method = [] {
        BIO_METHOD *m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "kestrelon socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioControl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

bool isAddress(const QByteArray &name)
{
    in_addr a{};
    return ::inet_pton(AF_INET, name.constData(), &a) == 1;
}

// The names a certificate is for: its DNS and IP alternative names, or a
// note of its common name when it has none.
QString namesOf(X509 *cert)
{
    QStringList names;
    if (!cert)
        return QStringLiteral("(no certificate)");
    auto *alt = static_cast<GENERAL_NAMES *>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; alt && i < sk_GENERAL_NAME_num(alt); ++i) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(alt, i);
        if (name->type == GEN_DNS) {
            const ASN1_IA5STRING *dns = name->d.dNSName;
            names << QString::fromLatin1(reinterpret_cast<const char *>(ASN1_STRING_get0_data(dns)),
                                         ASN1_STRING_length(dns));
        } else if (name->type == GEN_IPADD && ASN1_STRING_length(name->d.iPAddress) == 4) {
            const unsigned char *ip = ASN1_STRING_get0_data(name->d.iPAddress);
            names << QStringLiteral("%1.%2.%3.%4").arg(ip[0]).arg(ip[1]).arg(ip[2]).arg(ip[3]);
        }
    }
    GENERAL_NAMES_free(alt);
    if (names.isEmpty()) {
        // A common name is never checked, but it tells the user what the
        // certificate meant to be for.
        char cn[256] = {};
        if (X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, cn, sizeof cn) > 0)
            return QStringLiteral("no alternative names, only the common name ") + QString::fromUtf8(cn);
    }
    return names.isEmpty() ? QStringLiteral("(no name)") : names.join(QStringLiteral(", "));
}

QString lastReason()
{
    const unsigned long code = ERR_peek_last_error();
    const char *reason = code ? ERR_reason_error_string(code) : nullptr;
    return reason ? QString::fromLatin1(reason) : QStringLiteral("unknown error");
}

// Keeps the names of a certificate that fails the host check: once the
// handshake has failed the peer's certificate is no longer at hand.
int verifyCallback(int ok, X509_STORE_CTX *store)
{
    if (!ok) {
        const int error = X509_STORE_CTX_get_error(store);
        if (error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH) {
            auto *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
            if (auto *names = ssl ? static_cast<QString *>(SSL_get_app_data(ssl)) : nullptr)
                *names = namesOf(X509_STORE_CTX_get0_cert(store));
        }
    }
    return ok;
}

// The system's trusted certificates, looked up by subject in the hashed
// certificate folder as each chain needs them: reading the whole bundle
// costs more than a short fetch. Without a folder, the bundle is the
// fallback.
void trustSystemStore(X509_STORE *store)
{
    const char *folderEnv = std::getenv(X509_get_default_cert_dir_env());
    const char *folder = folderEnv && *folderEnv ? folderEnv : X509_get_default_cert_dir();
    const QFileInfo folderInfo(QFile::decodeName(folder).section(QLatin1Char(':'), 0, 0));
    const bool haveFolder = folderInfo.isDir();
    if (haveFolder)
        X509_STORE_load_path(store, folder);
    else
        X509_STORE_load_file(store, X509_get_default_cert_file());
    // A bundle that lives in the hashed folder is made from the same
    // certificates as its links (the system's update tool writes both), so
    // only a bundle elsewhere adds anything.
    if (const char *file = std::getenv(X509_get_default_cert_file_env()); file && *file) {
        const QFileInfo bundle(QFile::decodeName(file));
        if (!haveFolder || bundle.canonicalPath() != folderInfo.canonicalFilePath())
            X509_STORE_load_file(store, file);
    }
}

// The CAs the user trusts for the page too; one that cannot be read is
// skipped, the others still count. False when the store added nothing.
bool trustUserStore(X509_STORE *store)
{
    bool added = false;
    for (const QByteArray &der : UserTrustedCaCertificates()) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(der.constData());
        if (X509 *cert = d2i_X509(nullptr, &bytes, long(der.size()))) {
            added = X509_STORE_add_cert(store, cert) == 1 || added; // a copy already held is no error here
            X509_free(cert);
        }
    }
    ERR_clear_error();
    return added;
}

// Failures that a CA the system and the given file lack could cure.
bool lacksAnIssuer(int error)
{
    return error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY || error == X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT
           || error == X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT || error == X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN
           || error == X509_V_ERR_CERT_UNTRUSTED;
}

// Checks the peer's chain against the system's CAs and the given file
// first; only a chain that lacks its issuer there is checked again with the
// user's own store added. Opening that store costs more memory than the rest
// of a fetch, and most chains never need it.
int verifyChain(X509_STORE_CTX *context, void *)
{
    const int verified = X509_verify_cert(context);
    if (verified == 1 || !lacksAnIssuer(X509_STORE_CTX_get_error(context))
        || !trustUserStore(X509_STORE_CTX_get0_store(context)))
        return verified;
    // A context verifies once; the second check runs on a copy made with the
    // same chain, names, purpose and callback, and its outcome is handed back.
    X509_STORE_CTX *again = X509_STORE_CTX_new();
    if (!again
        || X509_STORE_CTX_init(again, X509_STORE_CTX_get0_store(context), X509_STORE_CTX_get0_cert(context),
                               X509_STORE_CTX_get0_untrusted(context))
               != 1) {
        X509_STORE_CTX_free(again);
        return verified;
    }
    X509_VERIFY_PARAM_set1(X509_STORE_CTX_get0_param(again), X509_STORE_CTX_get0_param(context));
    X509_STORE_CTX_set_verify_cb(again, X509_STORE_CTX_get_verify_cb(context));
    const int sslIndex = SSL_get_ex_data_X509_STORE_CTX_idx();
    X509_STORE_CTX_set_ex_data(again, sslIndex, X509_STORE_CTX_get_ex_data(context, sslIndex));
    const int result = X509_verify_cert(again);
    X509_STORE_CTX_set_error(context, X509_STORE_CTX_get_error(again));
    X509_STORE_CTX_set_error_depth(context, X509_STORE_CTX_get_error_depth(again));
    X509_STORE_CTX_set_current_cert(context, X509_STORE_CTX_get_current_cert(again));
    X509_STORE_CTX_set0_verified_chain(context, X509_STORE_CTX_get1_chain(again));
    X509_STORE_CTX_free(again);
    return result;
}

} // namespace

struct TlsSession::Handles {
    int fd = -1;
    SSL_CTX *context = nullptr;
    SSL *ssl = nullptr;
    ~Handles()
    {
        if (ssl)
            SSL_free(ssl); // frees the BIO too
        if (context)
            SSL_CTX_free(context);
    }
};

std::unique_ptr<TlsSession> TlsSession::create(int fd, const QByteArray &serverName, const QString &extraCaFile,
                                               QString &error)
{
    std::unique_ptr<TlsSession> session(new TlsSession);
    session->m_handles = std::make_unique<Handles>();
    Handles &h = *session->m_handles;
    h.fd = fd;
    ERR_clear_error();
    h.context = SSL_CTX_new(TLS_client_method());
    if (!h.context) {
        error = QStringLiteral("TLS handshake failed: ") + lastReason();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(h.context, TLS1_2_VERSION);
    X509_STORE *store = SSL_CTX_get_cert_store(h.context);
    trustSystemStore(store);
    SSL_CTX_set_cert_verify_callback(h.context, verifyChain, nullptr);
    ERR_clear_error();
    if (!extraCaFile.isEmpty()
        && SSL_CTX_load_verify_locations(h.context, QFile::encodeName(extraCaFile).constData(), nullptr) != 1) {
        error = QStringLiteral("Cannot load CA file %1: %2").arg(extraCaFile, lastReason());
        return nullptr;
    }
    h.ssl = SSL_new(h.context);
    BIO *bio = BIO_new(socketMethod());
    BIO_set_data(bio, &h.fd);
    SSL_set_bio(h.ssl, bio, bio);
    SSL_set_app_data(h.ssl, &session->m_peerNames);
    SSL_set_verify(h.ssl, SSL_VERIFY_PEER, verifyCallback);
    SSL_set_mode(h.ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // As web clients check names: a wildcard stands for one whole label
    // ("*.a.test", never "b*.a.test"), and only the alternative names
    // count, never a common name of a certificate that has none.
    SSL_set_hostflags(h.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
    if (isAddress(serverName)) {
        // An address is checked against the certificate's addresses; SNI
        // carries host names only.
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(h.ssl), serverName.constData());
    } else {
        SSL_set_tlsext_host_name(h.ssl, serverName.constData());
        SSL_set1_host(h.ssl, serverName.constData());
    }
    SSL_set_connect_state(h.ssl);
    return session;
}

TlsSession::~TlsSession() = default;

TlsSession::Result TlsSession::classify(int rc, bool handshaking)
{
    const int error = SSL_get_error(m_handles->ssl, rc);
    switch (error) {
    case SSL_ERROR_WANT_READ: return Result::WantRead;
    case SSL_ERROR_WANT_WRITE: return Result::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        // An orderly close before the session stands is a failed handshake.
        if (!handshaking)
            return Result::Closed;
        break;
    default: break;
    }
    if (error == SSL_ERROR_SYSCALL && errno != 0 && ERR_peek_error() == 0) {
        m_socketError = errno;
        return Result::Failed;
    }
    if (handshaking) {
        const long verify = SSL_get_verify_result(m_handles->ssl);
        if (verify == X509_V_ERR_HOSTNAME_MISMATCH || verify == X509_V_ERR_IP_ADDRESS_MISMATCH) {
            m_errorText = QStringLiteral("Certificate is for another host: ") + m_peerNames;
        } else if (verify != X509_V_OK) {
            m_errorText = QStringLiteral("Certificate verify failed: ")
                          + QString::fromLatin1(X509_verify_cert_error_string(verify));
        } else if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_ZERO_RETURN
                   || ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
            m_errorText = QStringLiteral("TLS handshake failed: the server closed the connection");
        } else {
            m_errorText = QStringLiteral("TLS handshake failed: ") + lastReason();
        }
    } else if (error == SSL_ERROR_SYSCALL
               || ERR_GET_REASON(ERR_peek_last_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        // The connection ended without close_notify: whatever came last
        // may have been cut off by someone other than the server.
        m_errorText = QStringLiteral("TLS connection ended without close_notify");
    } else {
        m_errorText = QStringLiteral("TLS error: ") + lastReason();
    }
    ERR_clear_error();
    return Result::Failed;
}

TlsSession::Result TlsSession::handshake()
{
    ERR_clear_error();
    errno = 0;
    const int rc = SSL_do_handshake(m_handles->ssl);
    if (rc == 1) {
        m_established = true;
        return Result::Done;
    }
    return classify(rc, true);
}

TlsSession::Result TlsSession::read(char *bytes, qsizetype length, bool peek, qsizetype &count)
{
    count = 0;
    const int ask = int(std::min<qsizetype>(length, INT_MAX));
    ERR_clear_error();
    errno = 0;
    const int rc = peek ? SSL_peek(m_handles->ssl, bytes, ask) : SSL_read(m_handles->ssl, bytes, ask);
    if (rc > 0) {
        count = rc;
        return Result::Done;
    }
    return classify(rc, false);
}

bool TlsSession::hasPending() const
{
    return SSL_pending(m_handles->ssl) > 0 || SSL_has_pending(m_handles->ssl) == 1;
}

TlsSession::Result TlsSession::write(const char *bytes, qsizetype length, qsizetype &count)
{
    count = 0;
    ERR_clear_error();
    errno = 0;
    const int rc = SSL_write(m_handles->ssl, bytes, int(std::min<qsizetype>(length, INT_MAX)));
    if (rc > 0) {
        count = rc;
        return Result::Done;
    }
    return classify(rc, false);
}

void TlsSession::shutdown()
{
    if (m_established) {
        ERR_clear_error();
        SSL_shutdown(m_handles->ssl);
        ERR_clear_error();
    }
}

} // namespace sockets
