#include "platform/page_question.h"

#include "platform/web_engine.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>

void WebEngine::questionOpened()
{
    if (m_openQuestions++ == 0) {
        // The page keeps its look but takes no clicks or keys meanwhile.
        if (QWidget *page = widget())
            page->setEnabled(false);
        emit askingUser();
    }
}

void WebEngine::questionClosed()
{
    if (m_openQuestions == 0 || --m_openQuestions > 0)
        return;
    if (QWidget *page = widget())
        page->setEnabled(true);
    emit questionsAnswered();
}

namespace platform {
namespace {

// Rejects a dialog when the window it belongs to is closed or hidden.
class WindowWatch : public QObject {
public:
    WindowWatch(QWidget *window, QDialog *dialog) : QObject(dialog), m_dialog(dialog)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if ((event->type() == QEvent::Close || event->type() == QEvent::Hide) && m_dialog)
            m_dialog->reject();
        return false;
    }

private:
    QPointer<QDialog> m_dialog;
};

// Parents the dialog to the page's window without blocking that window,
// and ties its end to the page: any navigation command answers it.
bool present(WebEngine &engine, QDialog *dialog)
{
    QWidget *page = engine.widget();
    QWidget *window = page ? page->window() : nullptr;
    if (!window || !window->isVisible() || QCoreApplication::closingDown())
        return false;
    dialog->setParent(window, dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(Qt::NonModal);
    new WindowWatch(window, dialog);
    QObject::connect(&engine, &WebEngine::pageLeft, dialog, &QDialog::reject);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, dialog, &QDialog::reject);
    engine.questionOpened();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return true;
}

} // namespace

int askOnPage(WebEngine &engine, QDialog *dialog, const std::function<void(QDialog &)> &read)
{
    QPointer<QDialog> guarded(dialog);
    QPointer<WebEngine> asker(&engine);
    if (!present(engine, dialog)) {
        delete dialog;
        return QDialog::Rejected;
    }
    int result = QDialog::Rejected;
    bool answered = false;
    QObject::connect(dialog, &QDialog::finished, dialog, [&](int code) {
        result = code;
        answered = true;
    });
    // The wait sleeps until the next event; the program's end rejects the
    // dialog (and a dialog that goes ends the wait).
    while (!answered && guarded && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (asker)
        asker->questionClosed();
    if (guarded) {
        if (answered && read)
            read(*guarded);
        guarded->hide();
        delete guarded.data();
    }
    return answered ? result : QDialog::Rejected;
}

} // namespace platform
