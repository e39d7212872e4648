#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testing_support {

// A temporary folder that is also the process's current folder for the
// lifetime of the object; the previous folder is restored afterwards.
class TempCurrentFolder {
public:
    TempCurrentFolder();
    ~TempCurrentFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.path() + '/' + relative; }

    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

} // namespace testing_support
