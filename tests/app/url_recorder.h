#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

namespace testing_support {

// Stands in for the desktop's opener of `scheme` while it lives: every
// address handed to the desktop for that scheme is kept instead of opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    explicit UrlRecorder(QString scheme = QStringLiteral("file")) : m_scheme(std::move(scheme))
    {
        QDesktopServices::setUrlHandler(m_scheme, this, "open");
    }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(m_scheme); }

    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }

private:
    QString m_scheme;
};

} // namespace testing_support
