// Fetches 2, 10 and 30 MB text bodies from a private nginx on 127.0.0.1
// through the page source window into the browser window's text pane, and,
// in the same run, puts the same text into the pane with one setPlainText.
// Prints the median of three runs of each and the longest gap between the
// ticks of a 10 ms timer while the fetch ran (how long the UI thread was
// busy at a stretch). It never fails on time.
//
//   source_pane_bench [runs]

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "http/http_client.h"
#include "netfeatures/page_source_window.h"
#include "platform/engine_environment.h"
#include "support/core/nginx_server.h"
#include "support/gui/installation.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// HTML-like lines of varying length, LF-ended.
QByteArray textBody(qsizetype size)
{
    QByteArray body;
    body.reserve(size);
    const QByteArray words = "<div class=\"row\">lorem ipsum dolor sit amet, \xE9\xE4\xF6 consectetur adipiscing elit</div>";
    int line = 0;
    while (body.size() < size) {
        body.append(words.left(20 + (line * 37) % (words.size() - 20)));
        body.append('\n');
        ++line;
    }
    body.truncate(size);
    return body;
}

// Longest stretch between two ticks of a 10 ms timer while it runs.
class GapMeter {
public:
    GapMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        tick();
        return m_longest;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    platform::prepareWebEngineEnvironment();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    testing_support::TempInstallation folder;
    toolkit::RecordingMessageBoxes boxes;
    WindowSetOwner owner;
    owner.mainWindow().show();
    TForm7 &window = *owner.forms().Form7;
    QPlainTextEdit &pane = *owner.forms().Form1->findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));

    testing_support::NginxServer nginx;
    const std::vector<int> sizes = {2, 10, 30};
    for (int mb : sizes)
        nginx.writeFile(QStringLiteral("body%1.html").arg(mb), textBody(qsizetype(mb) * 1024 * 1024));
    if (!nginx.start()) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(nginx.error()));
        return 1;
    }

    std::printf("%6s %10s %10s %10s %12s %14s %12s %10s\n", "MB", "net ms", "fetch ms", "setText ms",
                "fetch/(s+n)", "(fetch-n)/set", "max gap ms", "set gap ms");
    for (int mb : sizes) {
        const QByteArray url = nginx.url(QStringLiteral("body%1.html").arg(mb));
        const QByteArray expected = textBody(qsizetype(mb) * 1024 * 1024);
        std::vector<double> net, fetch, set, gaps;
        for (int run = 0; run < runs; ++run) {
            // The network alone: the same request with a client that shows nothing.
            {
                TNMHTTP client;
                client.ReportLevel = 0;
                QElapsedTimer clock;
                clock.start();
                client.Get(url);
                net.push_back(clock.nsecsElapsed() / 1e6);
                if (client.Body != expected)
                    std::fprintf(stderr, "the client received another body\n");
            }
            // The fetch into the pane.
            pane.clear();
            window.show();
            window.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QString::fromLatin1(url));
            GapMeter meter;
            meter.start();
            QElapsedTimer clock;
            clock.start();
            window.findChild<QPushButton *>(QStringLiteral("Button1"))->click();
            fetch.push_back(clock.nsecsElapsed() / 1e6);
            gaps.push_back(double(meter.stop()));
            if (pane.document()->characterCount() - 1 != expected.size())
                std::fprintf(stderr, "the pane holds %d characters, not %lld\n",
                             pane.document()->characterCount() - 1, qlonglong(expected.size()));
            if (!boxes.messages.isEmpty())
                std::fprintf(stderr, "message: %s\n", qPrintable(boxes.messages.join('\n')));
            QCoreApplication::processEvents();

            // One replacement of the whole text, as the peer.
            pane.clear();
            const QString text = toolkit::fromSingleByte(expected);
            clock.restart();
            pane.setPlainText(text);
            set.push_back(clock.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
        }
        const double n = median(net), f = median(fetch), s = median(set);
        std::printf("%6d %10.0f %10.0f %10.0f %12.2f %14.2f %12.0f %10.0f\n", mb, n, f, s, f / (s + n), (f - n) / s,
                    median(gaps), s);
        std::fflush(stdout);
    }
    return 0;
}
