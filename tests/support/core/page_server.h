#pragma once

#include "support/core/scripted_server.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>

namespace testing_support {

// Serves fixed responses by path on 127.0.0.1, one HTTP/1.0 exchange per
// connection; unknown paths get a 404 page. A page is either a whole
// response (starting with "HTTP/") or a body sent as text/html.
class PageServer {
public:
    explicit PageServer(QHash<QByteArray, QByteArray> pages);
    ~PageServer();

    QString url(const QByteArray &path) const;
    quint16 port() const;
    // Request lines seen so far ("GET /a HTTP/1.1"), favicon requests left out.
    QList<QByteArray> requests() const;

private:
    struct Log;
    std::shared_ptr<QHash<QByteArray, QByteArray>> m_pages;
    std::shared_ptr<Log> m_log;
    std::unique_ptr<ScriptedServer> m_server;
};

} // namespace testing_support
