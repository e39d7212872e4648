#include "app/start_arguments.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {

bool hasScheme(const QString &text)
{
    // Two letters at least, so a drive-like "c:" stays a name.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

QString addressFor(const QString &argument, const QString &currentFolder)
{
    if (hasScheme(argument))
        return argument;
    const QFileInfo file(QDir(currentFolder), argument);
    if (file.exists())
        return QUrl::fromLocalFile(QDir::cleanPath(file.absoluteFilePath())).toString(QUrl::FullyEncoded);
    return argument;
}

} // namespace

StartArguments parseStartArguments(const QStringList &arguments, const QString &currentFolder)
{
    StartArguments result;
    bool options = true;
    for (const QString &argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (options && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            result.action = StartArguments::Action::Help;
            return result;
        }
        if (options && argument == QLatin1String("--version")) {
            result.action = StartArguments::Action::Version;
            return result;
        }
        // An empty argument is what a desktop leaves of a missing address.
        if (argument.isEmpty() || (options && argument.startsWith(QLatin1Char('-'))))
            continue;
        if (result.address)
            result.ignored.append(argument);
        else
            result.address = addressFor(argument, currentFolder);
    }
    return result;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: kestrelon [ADDRESS]\n"
        "A small skinned web browser.\n"
        "\n"
        "ADDRESS is opened as if typed into the address box and sent with Go:\n"
        "it is counted and recorded in the history. The name of an existing\n"
        "file is opened as that file. Without an address the program starts\n"
        "as usual.\n"
        "\n"
        "One program runs per installation folder (the current folder): a\n"
        "later start hands its address to the running one and ends.\n"
        "\n"
        "  --help     show this text and exit\n"
        "  --version  show the version and exit\n"
        "  --         take the next argument as the address even if it starts with '-'\n");
}

QString versionText()
{
    return QStringLiteral("Kestrelon Beta 1.6\n");
}
