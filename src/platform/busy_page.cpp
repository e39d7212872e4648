#include "platform/busy_page.h"

#include "platform/web_engine.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace platform {
namespace {

// How long a command waits for an answer before the user is asked, and
// the longest it waits after the user chose Wait (each Wait doubles it):
// a page that is only slow gets more time, and the question is not
// repeated so often that it stands in the way.
constexpr int kFirstWaitMs = 2000;
constexpr int kLongestWaitMs = 30000;
// How long a command's own load may take before the renderer is asked. A
// page that loads has answered anyway, and a question sent to the page that
// the command is replacing may hold the engine's side of that page: over a
// long session the program grew by a tenth of a megabyte a command with it.
constexpr int kProbeAfterMs = 1000;

} // namespace

BusyPageGuard::BusyPageGuard(WebEngine &engine, std::function<void(std::function<void()>)> probe,
                             std::function<void()> end)
    : QObject(&engine), m_engine(engine), m_probe(std::move(probe)), m_end(std::move(end))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &BusyPageGuard::waitedLong);
    m_probeTimer.setSingleShot(true);
    connect(&m_probeTimer, &QTimer::timeout, this, &BusyPageGuard::probe);
    // A page that asks its user something is waiting, not stuck; once it
    // has its answers it has the full while again to reply.
    connect(&engine, &WebEngine::askingUser, this, [this] {
        closeQuestion();
        m_timer.stop();
    });
    connect(&engine, &WebEngine::questionsAnswered, this, [this] {
        if (m_pending)
            m_timer.start(m_waitMs);
    });
}

BusyPageGuard::~BusyPageGuard()
{
    closeQuestion();
}

void BusyPageGuard::commandGiven(std::function<void()> again, bool pastQuestion)
{
    ++m_generation;
    m_pending = true;
    m_leaving = pastQuestion;
    m_again = std::move(again);
    m_waitMs = kFirstWaitMs;
    m_probeTimer.start(std::min(kProbeAfterMs, m_waitMs));
    if (m_engine.openQuestions() == 0)
        m_timer.start(m_waitMs);
}

void BusyPageGuard::pageLoaded()
{
    if (m_pending)
        through();
}

void BusyPageGuard::probe()
{
    if (!m_pending)
        return;
    const int generation = m_generation;
    // The engine calls back even as the page goes, after this guard may
    // have gone with its engine.
    QPointer<BusyPageGuard> self(this);
    m_probe([self, generation] {
        if (self && generation == self->m_generation)
            self->through();
    });
}

void BusyPageGuard::through()
{
    m_pending = false;
    m_leaving = false;
    m_again = nullptr;
    m_timer.stop();
    m_probeTimer.stop();
    closeQuestion();
}

bool BusyPageGuard::endPageHoldingUser()
{
    if (!m_pending || !m_leaving || !m_again)
        return false;
    m_repeat = std::exchange(m_again, nullptr);
    m_pending = false;
    m_leaving = false;
    m_timer.stop();
    closeQuestion();
    m_end();
    return true;
}

std::function<void()> BusyPageGuard::takeRepeat()
{
    // A renderer that went by itself while a command waited behind it
    // ends the wait too.
    if (m_pending)
        through();
    return std::exchange(m_repeat, nullptr);
}

void BusyPageGuard::waitedLong()
{
    if (!m_pending || m_engine.openQuestions() > 0)
        return;
    ask();
}

void BusyPageGuard::ask()
{
    if (m_question)
        return;
    QWidget *page = m_engine.widget();
    QWidget *window = page ? page->window() : nullptr;
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Page not responding"),
                                QStringLiteral("The page is not responding."), QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("PageNotResponding"));
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *wait = box->addButton(QStringLiteral("Wait"), QMessageBox::RejectRole);
    QPushButton *end = box->addButton(QStringLiteral("End the page"), QMessageBox::DestructiveRole);
    box->setDefaultButton(wait);
    box->setEscapeButton(wait);
    m_question = box;
    connect(box, &QMessageBox::buttonClicked, this, [this, end](QAbstractButton *clicked) {
        m_question = nullptr;
        if (!m_pending)
            return;
        if (clicked == end) {
            m_repeat = std::exchange(m_again, nullptr);
            m_pending = false;
            m_leaving = false;
            m_end();
            return;
        }
        m_waitMs = std::min(m_waitMs * 2, kLongestWaitMs);
        m_timer.start(m_waitMs);
    });
    box->show();
}

void BusyPageGuard::closeQuestion()
{
    if (m_question) {
        QMessageBox *box = m_question;
        m_question = nullptr;
        box->disconnect(this);
        box->close();
    }
}

} // namespace platform
