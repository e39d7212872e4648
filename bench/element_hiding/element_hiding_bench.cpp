// element_hiding_bench WAY PAGE
//   WAY: none, tiny (a script of a few bytes in the same world and at the
//   same point) or hiding (the element-hiding script of the system's lists)
// Loads the local file PAGE once in a new process's web view (the first
// document of a new page process, as a start's first page is), then 20 times
// more, and prints "WAY first MS" and "WAY again MS" (the median of the
// others), from load() to loadFinished. Off the record, so the disk plays no
// part; the rules are built before the view exists.
#include "contentfilter/filter_lists.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: element_hiding_bench none|tiny|hiding PAGE\n");
        return 2;
    }
    const QString way = args[1];
    QString source;
    if (way == QLatin1String("tiny")) {
        source = QStringLiteral("window.x=1");
    } else if (way == QLatin1String("hiding")) {
        // The system's lists only: an engine folder of its own has no lists.
        const QTemporaryDir engineFolder;
        const auto loaded = contentfilter::loadEngine(contentfilter::defaultLists(engineFolder.path()), QString());
        source = loaded.engine->cosmetic().pageScript({});
        std::fprintf(stderr, "script: %lld characters\n", static_cast<long long>(source.size()));
    }
    auto *profile = new QWebEngineProfile(&app);
    if (!source.isEmpty()) {
        QWebEngineScript script;
        script.setSourceCode(source);
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setRunsOnSubFrames(true);
        profile->scripts()->insert(script);
    }
    QWebEngineView view;
    view.setPage(new QWebEnginePage(profile, &view));
    view.resize(800, 600);
    view.show();
    const QUrl url = QUrl::fromLocalFile(QFileInfo(args[2]).absoluteFilePath());
    QElapsedTimer clock;
    std::vector<double> again;
    bool first = true;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (!ok) {
            std::fprintf(stderr, "the page did not load\n");
            app.exit(1);
            return;
        }
        if (first) {
            first = false;
            std::printf("%s first %.2f\n", qPrintable(way), ms);
        } else {
            again.push_back(ms);
        }
        if (again.size() == 20) {
            std::sort(again.begin(), again.end());
            std::printf("%s again %.2f\n", qPrintable(way), (again[9] + again[10]) / 2);
            app.quit();
            return;
        }
        clock.start();
        view.load(url);
    });
    clock.start();
    view.load(url);
    return app.exec();
}
