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

    // ---- Find in page, zoom and print to PDF ----
    // What a browser's own engine offered besides the operations above. None
    // of them throws: their results arrive through the callbacks.

    struct FindResult {
        int activeMatch = 0; // 1-based; 0 when nothing matched
        int numberOfMatches = 0;
    };
    // Highlights every match of `text` and moves to the next one (the
    // previous one when `backward`); a new text starts from the top. An empty
    // text clears the highlight and reports nothing.
    virtual void findText(const QString &text, bool backward, bool caseSensitive,
                          std::function<void(FindResult)> done) = 0;

    // Whether a page is loading (from its start to its finish, stop or failure).
    virtual bool isLoading() const = 0;

    // The page's zoom as a factor (1.0 is 100%); the engine takes 0.25..5.0.
    virtual qreal zoomFactor() const = 0;
    virtual void setZoomFactor(qreal factor) = 0;

    // Writes the page as a PDF file at `path`; `done` says whether the file
    // was written.
    virtual void printToPdf(const QString &path, std::function<void(bool written)> done) = 0;

    // Ctrl + mouse wheel over the page: +1 per notch away from the user,
    // -1 per notch towards. The engine itself does not zoom for it.
    std::function<void(int steps)> OnZoomWheel;
    // The address of the page shown changed (a new page, a link, back).
    std::function<void()> OnUrlChanged;
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
