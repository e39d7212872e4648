// The store's headers come first: Qt's "slots" keyword would rename a
// member of theirs.
#include <cert.h>
#include <certdb.h>
#include <dlfcn.h>
#include <nss.h>
#include <pk11pub.h>

#include "user_trust_store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace sockets {

namespace {

// The store's library is found at run time: most fetches happen where no
// such store exists, and they should not pay for loading it.
struct StoreLibrary {
    decltype(&NSS_InitContext) initContext = nullptr;
    decltype(&NSS_ShutdownContext) shutdownContext = nullptr;
    decltype(&PK11_ListCerts) listCertificates = nullptr;
    decltype(&CERT_GetCertTrust) trustOf = nullptr;
    decltype(&CERT_DestroyCertList) destroyList = nullptr;
};

template <typename F>
void bind(void *library, F &function, const char *name)
{
    function = reinterpret_cast<F>(::dlsym(library, name));
}

// Loaded once and never unloaded: the library starts threads of its own,
// and the page engine in the same process may use it too.
const StoreLibrary *storeLibrary()
{
    static const StoreLibrary library = [] {
        StoreLibrary l;
        void *handle = ::dlopen("libnss3.so", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return l;
        bind(handle, l.initContext, "NSS_InitContext");
        bind(handle, l.shutdownContext, "NSS_ShutdownContext");
        bind(handle, l.listCertificates, "PK11_ListCerts");
        bind(handle, l.trustOf, "CERT_GetCertTrust");
        bind(handle, l.destroyList, "CERT_DestroyCertList");
        return l;
    }();
    const bool complete = library.initContext && library.shutdownContext && library.listCertificates &&
                          library.trustOf && library.destroyList;
    return complete ? &library : nullptr;
}

// The store as the page engine opens it: the SQL form, or the older one
// when only that exists. Empty when there is neither.
QString storeName(QFileInfo &file)
{
    const QString folder = QDir(QString::fromLocal8Bit(qgetenv("HOME"))).filePath(QStringLiteral(".pki/nssdb"));
    file.setFile(folder + QStringLiteral("/cert9.db"));
    if (file.isFile())
        return QStringLiteral("sql:") + folder;
    file.setFile(folder + QStringLiteral("/cert8.db"));
    if (file.isFile())
        return QStringLiteral("dbm:") + folder;
    return {};
}

QList<QByteArray> readStore(const QString &name)
{
    const StoreLibrary *nss = storeLibrary();
    if (!nss)
        return {};
    // Read-only, without the module list and the built-in roots: only the
    // user's own certificates and their trust are wanted.
    const PRUint32 flags = NSS_INIT_READONLY | NSS_INIT_NOMODDB | NSS_INIT_NOROOTINIT | NSS_INIT_OPTIMIZESPACE;
    NSSInitContext *context =
        nss->initContext(QFile::encodeName(name).constData(), "", "", "secmod.db", nullptr, flags);
    if (!context)
        return {};
    QList<QByteArray> certificates;
    if (CERTCertList *list = nss->listCertificates(PK11CertListUnique, nullptr)) {
        for (CERTCertListNode *node = CERT_LIST_HEAD(list); !CERT_LIST_END(node, list);
             node = CERT_LIST_NEXT(node)) {
            CERTCertTrust trust{};
            if (nss->trustOf(node->cert, &trust) == SECSuccess && (trust.sslFlags & CERTDB_TRUSTED_CA))
                certificates << QByteArray(reinterpret_cast<const char *>(node->cert->derCert.data),
                                           qsizetype(node->cert->derCert.len));
        }
        nss->destroyList(list);
    }
    nss->shutdownContext(context);
    return certificates;
}

} // namespace

QList<QByteArray> UserTrustedCaCertificates()
{
    static QMutex mutex;
    static QString cachedName;
    static QDateTime cachedTime;
    static qint64 cachedSize = -1;
    static QList<QByteArray> cached;

    QFileInfo file;
    const QString name = storeName(file);
    if (name.isEmpty())
        return {};
    const QMutexLocker lock(&mutex);
    if (name != cachedName || file.lastModified() != cachedTime || file.size() != cachedSize) {
        cached = readStore(name);
        cachedName = name;
        cachedTime = file.lastModified();
        cachedSize = file.size();
    }
    return cached;
}

} // namespace sockets
