// Figures of the address suggestions at a history's size: the time to build
// the index, its memory, and from a keystroke in an address box to the list
// drawn under it, with the longest stall of the window's event loop while
// typing (a timer that should fire every millisecond).
#include "history_maker.h"
#include "addressbox/address_completer.h"
#include "suggest/suggestion_service.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// Paints of the list's lines, with the time of the last one.
class PaintWatch : public QObject {
public:
    QElapsedTimer *clock = nullptr;
    qint64 lastPaint = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            lastPaint = clock->nsecsElapsed();
        return false;
    }
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const qsizetype entries = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000;
    const int bookmarkCount = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;

    const double before = residentMegabytes();
    const QList<QByteArray> history = benchdata::makeHistory(entries);
    qsizetype fileBytes = 1;
    for (const QByteArray &entry : history)
        fileBytes += entry.size() + 1;
    const double withHistory = residentMegabytes();

    QTemporaryDir bookmarks;
    const QList<QByteArray> marked = benchdata::makeHistory(bookmarkCount, 7);
    for (int i = 0; i < bookmarkCount; ++i) {
        QFile file(QDir(bookmarks.path()).filePath(QStringLiteral("Page %1 %2.bkm").arg(i).arg(QString::fromLatin1(marked.at(i).mid(8, 12)))));
        if (file.open(QIODevice::WriteOnly))
            file.write(marked.at(i));
    }

    suggest::SuggestionService service;
    QSignalSpy built(&service, &suggest::SuggestionService::built);
    QElapsedTimer buildClock;
    buildClock.start();
    service.build(history, bookmarks.path());
    built.wait(600000);
    const double buildSeconds = double(buildClock.nsecsElapsed()) / 1e9;
    const suggest::SuggestionService::Figures figures = service.figures();
    const double withIndex = residentMegabytes();

    std::printf("suggest: %lld history entries (file %.1f MB), %d bookmarks\n", (long long)entries,
                double(fileBytes) / 1e6, bookmarkCount);
    std::printf("  index built in %.3f s on its thread: %lld addresses, %.1f MB of its own (%.2fx the file)\n",
                buildSeconds, (long long)figures.entries, double(figures.bytes) / 1e6,
                double(figures.bytes) / double(fileBytes));
    std::printf("  resident: history list %.1f MB, index %.1f MB; together %.2fx the file\n", withHistory - before,
                withIndex - withHistory, (withIndex - before) * 1e6 / double(fileBytes));

    // Typing: prefixes of 1 to 12 characters of addresses from the history,
    // without their scheme, as a user types a site's name.
    QWidget window;
    auto *box = new QLineEdit(&window);
    box->setGeometry(0, 0, 400, 22);
    window.resize(420, 60);
    window.show();
    window.activateWindow();
    box->setFocus();
    QTest::qWaitForWindowExposed(&window);
    AddressCompleter &completer = *new AddressCompleter(box, &service);
    QElapsedTimer clock;
    clock.start();
    PaintWatch watch;
    watch.clock = &clock;
    completer.list()->viewport()->installEventFilter(&watch);

    qint64 lastTick = -1;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start();

    QRandomGenerator random(99);
    std::vector<double> latencies;
    int noList = 0;
    while (latencies.size() + size_t(noList) < 1000) {
        QByteArray address = history.at(random.bounded(int(history.size())));
        address = address.mid(address.indexOf("//") + 2);
        if (address.startsWith("www."))
            address = address.mid(4);
        box->clear();
        for (int length = 1; length <= 12 && latencies.size() + size_t(noList) < 1000; ++length) {
            const qint64 pressed = clock.nsecsElapsed();
            watch.lastPaint = -1;
            QSignalSpy answered(&service, &suggest::SuggestionService::suggestionsReady);
            QTest::keyClick(box, char(address.at(length - 1)));
            // The answer, then the paint it asks for.
            if (!answered.wait(10000)) {
                ++noList;
                continue;
            }
            QElapsedTimer settle;
            settle.start();
            while (watch.lastPaint < 0 && completer.isListShown() && settle.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (watch.lastPaint < 0) {
                ++noList;
                continue;
            }
            latencies.push_back(double(watch.lastPaint - pressed) / 1e6);
        }
    }
    ticker.stop();
    std::printf("  keystroke to list drawn, %zu keystrokes (%d without a list): median %.2f ms, 99th %.2f ms, "
                "max %.2f ms\n",
                latencies.size(), noList, percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0));
    std::printf("  longest gap of a 1 ms timer while typing: %.2f ms\n", double(longestGap) / 1e6);
    return 0;
}
