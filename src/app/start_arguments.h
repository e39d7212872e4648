#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The command line: kestrelon [--help | --version] [ADDRESS].
//
// Arguments that start with '-' are left to Qt and to the web engine, which
// take their own switches from the command line; "--" ends them, so a file
// named "-x" can still be opened. The first other argument is the address:
// one with a scheme ("http:", "file:", ...) is taken as written, the name of
// a file or folder that exists becomes its file URL, anything else is taken
// as typed text. Later arguments are ignored.
struct StartArguments {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    std::optional<QString> address;
    QStringList ignored;
};

// `arguments` without the program's own name; relative file names resolve
// in `currentFolder`.
StartArguments parseStartArguments(const QStringList &arguments, const QString &currentFolder);

// The texts of --help and --version, ending in a line break.
QString usageText();
QString versionText();
