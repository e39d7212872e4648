#include "app/persistence/history_load.h"

#include "app/persistence/history_file.h"
#include "app/persistence/persistence.h"
#include "toolkit/core/error_report.h"
#include "toolkit/core/paths.h"

#include <QDir>

namespace persistence {

HistoryLoad::HistoryLoad(QObject *parent) : QObject(parent)
{
    const QString fileName = QDir::current().absoluteFilePath(toolkit::resolvePath(kHistoryFileRead));
    // The thread writes the result before it ends; join() in take() makes
    // it visible here. Until then only the thread touches it.
    m_thread = std::thread([this, fileName] {
        Result result{{QByteArray()}, false, {}};
        try {
            readHistory(fileName, result.entries);
        } catch (const std::exception &e) {
            result = Result{{QByteArray()}, true, toolkit::exceptionText(e)};
        } catch (...) {
            result = Result{{QByteArray()}, true, QStringLiteral("Unknown error")};
        }
        m_result = std::move(result);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_taken)
                    emit ready();
            },
            Qt::QueuedConnection);
    });
}

HistoryLoad::~HistoryLoad()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::optional<HistoryLoad::Result> HistoryLoad::take()
{
    if (m_taken)
        return std::nullopt;
    m_thread.join();
    m_taken = true;
    return std::move(m_result);
}

} // namespace persistence
