#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>

class QWebEngineProfile;

namespace contentfilter {
class FilterEngine;
}

// Content blocking for every page of the profile: each request is put to the
// filter engine and cancelled when a rule blocks it; every document gets the
// element-hiding style sheet. Without any list nothing is installed and the
// browser works as it does without blocking.
namespace platform {

class RequestFilter : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    RequestFilter(std::unique_ptr<contentfilter::FilterEngine> engine, QStringList allowedSites, QObject *parent);
    ~RequestFilter() override;

    // Called by the engine on the main thread, for every request.
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // The requests blocked since the page at `pageUrl` was last navigated to.
    int blockedOn(const QUrl &pageUrl) const;

    const contentfilter::FilterEngine &engine() const { return *m_engine; }
    const QStringList &allowedSites() const { return m_allowedSites; }

signals:
    void blockedCountChanged();

private:
    std::unique_ptr<contentfilter::FilterEngine> m_engine;
    QStringList m_allowedSites;
    QHash<QUrl, int> m_blocked;
};

// Builds (or loads from its cache) the engine from the lists and, when any
// list holds a rule, hands it to `profile`. `cacheKept` false: nothing is
// written in the folder.
void installRequestFilter(QWebEngineProfile *profile, const QString &engineFolder, bool cacheKept);

// The profile's filter, or null when no list is installed.
RequestFilter *requestFilter();

// " - N blocked" for the page at `pageUrl` while N is not zero, else empty.
QString blockedCaptionSuffix(const QString &pageUrl);

} // namespace platform
