// The program's own windows in the installation folder that is current:
// the time to create them and show the main window, until the suggestion
// index is built, to draw the history window, and to run the close step;
// with the process's memory at each point. Prints one line of figures.
#include "app/application.h"
#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "addressbox/address_suggestions.h"
#include "infowindows/history_window.h"
#include "platform/engine_environment.h"
#include "suggest/suggestion_service.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

double statusMegabytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

class FirstPaint : public QObject {
public:
    qint64 at = -1;
    QElapsedTimer *clock = nullptr;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at < 0)
            at = clock->nsecsElapsed();
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    platform::prepareWebEngineEnvironment();
    KestrelonApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();

    WindowSetOwner windows;
    TForm2 &main = windows.mainWindow();
    QSignalSpy built(&main.suggestions().service(), &suggest::SuggestionService::built);
    main.show();
    (void)QTest::qWaitForWindowExposed(&main);
    const double shown = double(clock.nsecsElapsed()) / 1e6;
    const double shownMb = statusMegabytes("VmRSS:");
    if (built.isEmpty())
        built.wait(600000);
    const double indexed = double(clock.nsecsElapsed()) / 1e6;
    const double indexedMb = statusMegabytes("VmRSS:");

    TForm5 &history = *windows.forms().Form5;
    FirstPaint paint;
    paint.clock = &clock;
    auto *list = history.findChild<QListView *>(QStringLiteral("ListBox1"));
    list->viewport()->installEventFilter(&paint);
    const qint64 asked = clock.nsecsElapsed();
    main.History1Click();
    QElapsedTimer wait;
    wait.start();
    while (paint.at < 0 && wait.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double drawn = double(paint.at - asked) / 1e6;
    const double historyMb = statusMegabytes("VmRSS:");

    const qint64 closing = clock.nsecsElapsed();
    main.requestClose();
    const double closeStep = double(clock.nsecsElapsed() - closing) / 1e6;

    std::printf("windows shown %.0f ms  index built %.0f ms  history window drawn %.1f ms (%d lines)  "
                "close step %.0f ms  RSS shown %.0f MB, indexed %.0f MB, history window %.0f MB, peak %.0f MB\n",
                shown, indexed, drawn, list->model()->rowCount(), closeStep, shownMb, indexedMb,
                historyMb, statusMegabytes("VmHWM:"));
    return 0;
}
