#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <functional>
#include <future>
#include <memory>
#include <thread>

class QWebEnginePage;
class QWebEngineProfile;

namespace contentfilter {
class FilterEngine;
}

// Content blocking for every page of the profile: each request is put to the
// filter engine and cancelled when a rule blocks it; every document gets the
// element-hiding style sheet. Without any list nothing is installed and the
// browser works as it does without blocking.
//
// The engine is read from its cache, or built from the lists, on a thread of
// its own while the windows are made: a start never waits for it. A request
// for a page's resources that comes before it is ready waits for it, so no
// page ever loads unfiltered. The page's own document never waits: no rule
// blocks it, and its element hiding is run in it once the rules are there.
namespace platform {

class RequestFilter : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    struct Rules {
        std::unique_ptr<contentfilter::FilterEngine> engine;
        QStringList allowedSites;
        QString hidingScript; // empty when no rule hides elements
        // Run on the loading thread once the rules are handed over: what
        // need not hold up the first request, such as writing the cache.
        std::function<void()> afterwards;
    };
    // Runs `load` on a thread of its own, and gives the profile's pages
    // their element hiding once the rules are there.
    RequestFilter(std::function<Rules()> load, QWebEngineProfile *profile);
    ~RequestFilter() override;

    // Called by the engine on the main thread, for every request.
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // The requests blocked since the page at `pageUrl` was last navigated to.
    int blockedOn(const QUrl &pageUrl) const;

    // A page whose document may come before the rules: it gets the element
    // hiding run in its main frame when they come (its frames, and the
    // documents after, get it from the profile).
    void watch(QWebEnginePage *page);

signals:
    void blockedCountChanged();

private:
    // The rules, waiting for them if they are still being read.
    const Rules &rules();

    QWebEngineProfile *m_profile;
    std::promise<Rules> m_ready;
    std::future<Rules> m_loading;
    std::thread m_thread;
    Rules m_rules;
    QHash<QUrl, int> m_blocked;
    QList<QPointer<QWebEnginePage>> m_watched;
};

// When there is any list, hands `profile` a filter whose engine is built from
// the lists (or loaded from its cache) in the background. `cacheKept` false:
// nothing is written in the folder.
void installRequestFilter(QWebEngineProfile *profile, const QString &engineFolder, bool cacheKept);

// The profile's filter, or null when no list is installed.
RequestFilter *requestFilter();

// " - N blocked" for the page at `pageUrl` while N is not zero, else empty.
QString blockedCaptionSuffix(const QString &pageUrl);

} // namespace platform
