// Platform folder: the stand-ins for the operating system's interfaces. The
// web engine (web_engine.h, start here), the environment it needs before
// start-up, and the shell's "open".
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

// The embeddable web engine as the browser window uses it: exactly these
// operations, properties and events. Operations that fail throw an
// Exception with the engine's text; Back with no earlier page and Forward
// with no later one throw EEngineNowhereToGo.
class WebEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebEngine() override = default;

    virtual QWidget *widget() = 0;

    virtual void Navigate(const QString &url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    virtual QString LocationURL() const = 0;
    virtual QString LocationName() const = 0;

    // Raised repeatedly while a page loads (position, maximum), then once
    // with 0 of 0 when the load has ended.
    std::function<void(int progress, int progressMax)> OnProgressChange;
    // Raised when a download has finished, stopped or failed.
    std::function<void()> OnDownloadComplete;
};

// The engine's unspecified failure when there is nowhere to go.
#include "toolkit/core/exceptions.h"
class EEngineNowhereToGo : public Exception {
public:
    using Exception::Exception;
};

namespace platform {
// The engine on the system's embeddable browser, hosted in `parent`.
std::unique_ptr<WebEngine> createWebEngine(QWidget *parent);
} // namespace platform
