#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QMessageBox;
class WebEngine;

namespace platform {

// Sees each navigation command through to a renderer that answers. A page
// whose script runs on holds its renderer, and the command waits behind it,
// so the renderer is asked a trivial question shortly after each command
// that has not loaded its page by then:
//   - an answer, or the page loaded: the command is through;
//   - no answer while the page waits for its user (one of its questions is
//     open): not stuck, it waits as long as the user takes;
//   - no answer in a short while otherwise: the user is asked "The page is
//     not responding." with Wait (the default) and End the page. Wait asks
//     again after a longer while; the question closes by itself when the
//     page answers or asks its user something. Only End ends the renderer,
//     and the command is then given again to a fresh one.
class BusyPageGuard : public QObject {
public:
    // `probe` sends the trivial question and calls its argument on the
    // answer; `end` ends the renderer.
    BusyPageGuard(WebEngine &engine, std::function<void(std::function<void()> answered)> probe,
                  std::function<void()> end);
    ~BusyPageGuard() override;

    // A command was given; `again` (may be empty) gives it again to a fresh
    // renderer. `pastQuestion`: the command answered an open question of the
    // page on its way, so the user is leaving that page.
    void commandGiven(std::function<void()> again, bool pastQuestion);

    // A page has loaded: its renderer answers.
    void pageLoaded();

    // The user is leaving a page that held them with a question, and the
    // page asks again instead of letting go. The page is ended and the
    // command given again when it can be; true when that happened.
    bool endPageHoldingUser();

    // The renderer has gone: the command to give the fresh one, if any.
    std::function<void()> takeRepeat();

private:
    void probe();
    void waitedLong();
    void ask();
    void through();
    void closeQuestion();

    WebEngine &m_engine;
    std::function<void(std::function<void()>)> m_probe;
    std::function<void()> m_end;
    QTimer m_timer;
    QTimer m_probeTimer;
    int m_generation = 0;
    int m_waitMs = 0;
    bool m_pending = false;
    bool m_leaving = false;
    std::function<void()> m_again;
    std::function<void()> m_repeat;
    QPointer<QMessageBox> m_question;
};

} // namespace platform
