#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace platform {

// What a page opened from a file may load. The engine either lets such a
// page read every file (and so send any of them on) or loads nothing from
// files for it, not even its own pictures; this sits between: a page from
// a file loads the pictures, styles, scripts, fonts and media a saved page
// is made of, and nothing else. It reads no file as data, frames no other
// file, and reaches no server; following a link out of it is still a
// navigation like any other.
class LocalPageRequests : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // Whether a request of `type` for `url`, made by a page from a file, is
    // one of the parts that page is made of.
    static bool allowedFromFilePage(QWebEngineUrlRequestInfo::ResourceType type, const QUrl &url);
};

} // namespace platform
