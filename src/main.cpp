// Kestrelon: a small skinned web browser. To understand it, start here,
// then read app/main_window.h.
#include "app/address_requests.h"
#include "app/application.h"
#include "app/last_page.h"
#include "app/main_window.h"
#include "app/session_end.h"
#include "app/single_instance.h"
#include "app/start_arguments.h"
#include "app/window_set_owner.h"
#include "platform/engine_environment.h"

#include <QDir>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // --help and --version need no window system.
    const StartArguments asked = parseStartArguments(argumentsOf(argc, argv), QDir::currentPath());
    if (asked.action == StartArguments::Action::Help)
        return print(stdout, usageText());
    if (asked.action == StartArguments::Action::Version)
        return print(stdout, versionText());

    // The web engine takes its switches before any application object exists.
    platform::prepareWebEngineEnvironment();

    // The application object takes Qt's own options out of argv, so what is
    // left is read for the address.
    KestrelonApplication app(argc, argv);
    const StartArguments start = parseStartArguments(argumentsOf(argc, argv), QDir::currentPath());
    if (!start.ignored.isEmpty())
        print(stderr, QStringLiteral("kestrelon: only the first address is opened; ignored: %1\n")
                          .arg(start.ignored.join(QLatin1Char(' '))));

    // One program per installation folder: a later start hands its address
    // to the running program and ends.
    SingleInstance instance(QDir::currentPath());
    const SingleInstance::Outcome outcome = instance.start(start.address);
    switch (outcome) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::NoAnswer:
        return 1;
    case SingleInstance::Outcome::First:
    case SingleInstance::Outcome::Unguarded:
        break;
    }

    // The thirteen windows, in order, the main window first.
    WindowSetOwner windows;
    SessionEnd sessionEnd(windows.mainWindow());
    openAddressRequests(instance, windows, start.address);

    // The main window shows first; then, after a run that did not close
    // properly, its page is offered.
    windows.mainWindow().show();
    if (outcome == SingleInstance::Outcome::First)
        lastpage::offerLeftOver(windows.mainWindow(), start.address.has_value());

    // The message loop ends when the main window has closed.
    return app.exec();
}
