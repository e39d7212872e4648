#pragma once

// The whole window set in a fresh installation folder, with message boxes
// recorded and a page server on 127.0.0.1. Header only: the browser and the
// network feature tests share it.

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "toolkit/widgets/message_box.h"

#include <QHash>
#include <QMutex>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pane_testing {

inline bool waitFor(const std::function<bool()> &done, int ms = 30000)
{
    return QTest::qWaitFor(done, ms);
}

// The application's error box ends with the error's own text.
inline bool errorShown(const QStringList &messages, const QString &text)
{
    for (const QString &message : messages) {
        if (message.startsWith(QStringLiteral("An exeption was raised!."))
            && message.endsWith(QStringLiteral("Exception = ") + text))
            return true;
    }
    return false;
}

// Serves fixed responses by path, one HTTP/1.0 exchange per connection;
// unknown paths get a 404 page. A page is either a whole response (starting
// with "HTTP/") or a body sent as text/html.
class PageServer {
public:
    explicit PageServer(QHash<QByteArray, QByteArray> pages)
        : m_pages(std::make_shared<QHash<QByteArray, QByteArray>>(std::move(pages))), m_log(std::make_shared<Log>())
    {
        using testing_support::ScriptedConnection;
        using testing_support::Step;
        auto pages_ = m_pages;
        auto log = m_log;
        m_server = std::make_unique<testing_support::ScriptedServer>(testing_support::Script{
            Step::run([pages_, log](ScriptedConnection &c) {
                if (!c.readUntil("\r\n\r\n"))
                    return;
                const QByteArray request = c.received();
                const QByteArray line = request.left(request.indexOf("\r\n"));
                const QList<QByteArray> parts = line.split(' ');
                const QByteArray path = parts.size() > 1 ? parts.at(1) : QByteArray("/");
                if (!path.startsWith("/favicon")) {
                    QMutexLocker lock(&log->mutex);
                    log->lines.append(line);
                }
                const QByteArray page = pages_->value(path, "<html><title>Missing</title></html>");
                if (page.startsWith("HTTP/")) {
                    c.send(page);
                } else {
                    c.send((pages_->contains(path) ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n")
                           + QByteArray("Content-Type: text/html; charset=utf-8\r\nContent-Length: ")
                           + QByteArray::number(page.size()) + "\r\n\r\n" + page);
                }
                c.close();
            }),
        });
    }

    QString url(const QByteArray &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->port()).arg(QString::fromLatin1(path));
    }
    quint16 port() const { return m_server->port(); }
    QList<QByteArray> requests() const
    {
        QMutexLocker lock(&m_log->mutex);
        return m_log->lines;
    }

private:
    struct Log {
        QMutex mutex;
        QList<QByteArray> lines;
    };
    std::shared_ptr<QHash<QByteArray, QByteArray>> m_pages;
    std::shared_ptr<Log> m_log;
    std::unique_ptr<testing_support::ScriptedServer> m_server;
};

// The program's windows as start-up leaves them, main window shown.
class ProgramWindows {
public:
    // `prepare` may change the fresh installation before the windows exist.
    explicit ProgramWindows(const std::function<void(testing_support::TempInstallation &)> &prepare = {})
        : m_folder(std::make_unique<testing_support::TempInstallation>())
    {
        if (prepare)
            prepare(*m_folder);
        m_owner = std::make_unique<WindowSetOwner>();
        main().show();
        QCoreApplication::processEvents();
    }
    ~ProgramWindows() { m_owner.reset(); }

    TForm2 &main() { return m_owner->mainWindow(); }
    WindowSet &forms() { return m_owner->forms(); }
    TForm1 &browser() { return *forms().Form1; }
    testing_support::TempInstallation &folder() { return *m_folder; }
    QStringList &messages() { return m_boxes.messages; }

    // Opens `url` through the main window's Go and waits until the engine
    // shows it, titled `title`.
    bool open(const QString &url, const QString &title)
    {
        main().setAddressText(url);
        main().Button1Click();
        // While a page loads the engine's title may be its address for a moment.
        return waitFor([&] {
            return browser().WebBrowser1().LocationURL() == url && browser().WebBrowser1().LocationName() == title;
        });
    }

private:
    std::unique_ptr<testing_support::TempInstallation> m_folder;
    toolkit::RecordingMessageBoxes m_boxes;
    std::unique_ptr<WindowSetOwner> m_owner;
};

} // namespace pane_testing
