// The program's windows in the installation folder that is current: the
// bookmarks window is shown, and a timer that should fire every millisecond
// tells the longest time the window could not have answered a click, until
// the file list holds every file and for a second after. With "quit" after
// the count, the program is closed while the list still fills instead, and
// the time closing took is told.
#include "app/application.h"
#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "bookmarks/bookmarks_window.h"
#include "platform/engine_environment.h"

#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    platform::prepareWebEngineEnvironment();
    KestrelonApplication app(argc, argv);
    const int expected = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const bool quitWhileFilling = argc > 2 && QByteArray(argv[2]) == "quit";
    QElapsedTimer closing;

    auto windowsOwner = std::make_unique<WindowSetOwner>();
    WindowSetOwner &windows = *windowsOwner;
    TForm2 &main = windows.mainWindow();
    main.show();
    TForm9 &bookmarks = *windows.forms().Form9;

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longest = 0;
    qint64 filled = -1;
    // The file list as a user finds it on the screen: by its name.
    const auto *fileList = bookmarks.findChild<QListView *>(QStringLiteral("FileListBox1"));
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            longest = std::max(longest, now - last);
        last = now;
        QAbstractItemModel *model = fileList->model();
        if (filled < 0 && model->rowCount(fileList->rootIndex()) >= expected)
            filled = now;
        if (filled >= 0 && now - filled > 1000000000LL)
            app.quit();
        if (now > 60000000000LL)
            app.quit();
    });
    QTimer::singleShot(500, [&] {
        clock.start();
        main.Bokmrken1Click();
        const qint64 shown = clock.nsecsElapsed();
        std::printf("bookmarks window: show took %.1f ms\n", double(shown) / 1e6);
        if (quitWhileFilling) {
            // The first turn of events after the show, while the list fills.
            QTimer::singleShot(0, [&] {
                closing.start();
                app.quit();
            });
            return;
        }
        ticker.start();
    });
    app.exec();
    if (quitWhileFilling) {
        const int rows = fileList->model()->rowCount(fileList->rootIndex());
        windowsOwner.reset();
        std::printf("  closed while the list held %d of %d files: closing took %.1f ms\n", rows, expected,
                    double(closing.nsecsElapsed()) / 1e6);
        return 0;
    }
    std::printf("  file list filled (%d files) after %.0f ms; longest stall of the window %.1f ms\n", expected,
                double(filled) / 1e6, double(longest) / 1e6);
    return 0;
}
