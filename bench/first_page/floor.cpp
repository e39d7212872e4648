// The floor: the least a program needs to show a typed address in a web
// view. It prints the same two milestones as Kestrelon does. With
// --persistent the view keeps its profile on disk (in ./engine of the
// current folder), as Kestrelon's does; without, the profile is off the
// record. With --stdin every line read from the standard input is opened as
// if typed.
#include <QApplication>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QDir>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    // What the engine needs on these machines, as Kestrelon sets it.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    auto *layout = new QVBoxLayout(&window);
    auto *address = new QLineEdit;
    auto *view = new QWebEngineView;
    if (app.arguments().contains(QStringLiteral("--persistent"))) {
        auto *profile = new QWebEngineProfile(QStringLiteral("floor"), &app);
        profile->setPersistentStoragePath(QDir::current().filePath(QStringLiteral("engine")));
        profile->setCachePath(QDir::current().filePath(QStringLiteral("engine/cache")));
        view->setPage(new QWebEnginePage(profile, view));
    }
    layout->addWidget(address);
    layout->addWidget(view);
    window.resize(800, 480);
    QObject::connect(address, &QLineEdit::returnPressed, [&] { view->load(QUrl(address->text())); });
    QByteArray input;
    if (app.arguments().contains(QStringLiteral("--stdin"))) {
        auto *ready = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(ready, &QSocketNotifier::activated, [&, ready] {
            char chunk[4096];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0) {
                ready->setEnabled(false);
                return;
            }
            input.append(chunk, got);
            for (qsizetype end; (end = input.indexOf('\n')) >= 0; input.remove(0, end + 1))
                view->load(QUrl(QString::fromUtf8(input.left(end)).trimmed()));
        });
    }
    bool first = true;
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool) {
        if (first) {
            first = false;
            std::fprintf(stderr, "floor: first page complete\n");
        }
    });
    window.show();
    QTimer::singleShot(0, [] { std::fprintf(stderr, "floor: main window shown\n"); });
    return app.exec();
}
