#include "platform/shell.h"

#include "toolkit/core/paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace platform {

void shellOpen(const QString &fileName)
{
    const QString path = QDir(toolkit::CurrentFolder::path()).absoluteFilePath(toolkit::resolvePath(fileName));
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void shellOpenLink(const QUrl &link)
{
    QDesktopServices::openUrl(link);
}

} // namespace platform
