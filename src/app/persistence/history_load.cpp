#include "app/persistence/history_load.h"

#include "app/persistence/history_file.h"
#include "app/persistence/persistence.h"
#include "toolkit/core/error_report.h"
#include "toolkit/core/paths.h"

#include <QDir>
#include <QThread>
#include <QTimer>

namespace persistence {

namespace {

HistoryLoad::Result readFrom(const QString &fileName)
{
    HistoryLoad::Result result{{QByteArray()}, false, {}};
    try {
        readHistory(fileName, result.entries);
    } catch (const std::exception &e) {
        result = HistoryLoad::Result{{QByteArray()}, true, toolkit::exceptionText(e)};
    } catch (...) {
        result = HistoryLoad::Result{{QByteArray()}, true, QStringLiteral("Unknown error")};
    }
    return result;
}

} // namespace

HistoryLoad::HistoryLoad(QObject *parent)
    : QObject(parent), m_fileName(QDir::current().absoluteFilePath(toolkit::resolvePath(kHistoryFileRead)))
{
    QTimer::singleShot(0, this, [this] { begin(); });
}

HistoryLoad::~HistoryLoad()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
}

void HistoryLoad::begin()
{
    if (m_taken)
        return;
    // The thread writes the result before it ends; waiting for it in take()
    // makes it visible here. Until then only the thread touches it.
    m_thread = QThread::create([this] {
        m_result = readFrom(m_fileName);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_taken)
                    emit ready();
            },
            Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("history"));
    m_thread->start();
}

std::optional<HistoryLoad::Result> HistoryLoad::take()
{
    if (m_taken)
        return std::nullopt;
    if (m_thread)
        m_thread->wait();
    else
        m_result = readFrom(m_fileName);
    m_taken = true;
    return std::move(m_result);
}

} // namespace persistence
