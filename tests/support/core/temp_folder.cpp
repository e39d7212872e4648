#include "support/core/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testing_support {

TempCurrentFolder::TempCurrentFolder() : m_previous(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
}

TempCurrentFolder::~TempCurrentFolder()
{
    QDir::setCurrent(m_previous);
}

void TempCurrentFolder::write(const QString &relative, const QByteArray &bytes) const
{
    const QString full = file(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(full));
    f.write(bytes);
}

QByteArray TempCurrentFolder::read(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

bool TempCurrentFolder::exists(const QString &relative) const
{
    return QFileInfo::exists(file(relative));
}

} // namespace testing_support
