#include "suggest/search_address.h"

#include "toolkit/core/paths.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace suggest {

bool isSearchText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    // A scheme and "//" make an address whatever follows ("http://x/a b").
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (scheme.match(trimmed).hasMatch())
        return false;
    for (const QChar ch : trimmed) {
        if (ch.isSpace())
            return true;
    }
    if (trimmed.contains(QLatin1Char('.')) || trimmed.contains(QLatin1Char(':')))
        return false;
    if (trimmed.startsWith(QLatin1Char('/')))
        return false;
    const QString host = trimmed.section(QLatin1Char('/'), 0, 0);
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0;
}

QString searchAddress(const QString &searchTemplate, const QString &text)
{
    const QString words = QString::fromLatin1(QUrl::toPercentEncoding(text.trimmed()));
    QString address = searchTemplate;
    if (!address.contains(QLatin1String("%s")))
        return address + words;
    return address.replace(QLatin1String("%s"), words);
}

QString readSearchTemplate(const QString &installationFolder)
{
    QFile file(toolkit::resolvePath(QDir(installationFolder).filePath(kSearchTemplateFile)));
    if (!file.open(QIODevice::ReadOnly))
        return kDefaultSearchTemplate;
    // A template is an address: a long file is not one.
    const QByteArray head = file.read(64 * 1024);
    const qsizetype end = head.indexOf('\n');
    const QString line = QString::fromUtf8(end < 0 ? head : head.left(end)).trimmed();
    if (!line.contains(QLatin1String("%s")))
        return kDefaultSearchTemplate;
    return line;
}

} // namespace suggest
