// Network features folder: the page source window (this file, start here),
// which fetches an address with the program's own HTTP client into the
// browser window's text pane, and the rPOP window (rpop_window.h).
#pragma once

#include "browser/text_pane.h"
#include "windowset/window_set.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class TNMHTTP;

namespace Ui {
class TForm7;
}

// "Get source code of webpage": fetches the typed address and shows the
// raw body in the text pane while it arrives.
//
// One fetch at a time: OK or Enter while one runs is refused with a message
// and the running one goes on. Escape, in this window or in the browser
// window, stops a running fetch; the pane keeps what had arrived. So does
// closing this window before the body came, closing the browser window, or
// the program ending: the fetch runs inside the event loop, and the program
// could not end before a stalled server let it.
class TForm7 : public QWidget {
    Q_OBJECT
public:
    explicit TForm7(WindowSet &forms);
    ~TForm7() override;
    TNMHTTP *NMHTTP1 = nullptr;

    void FormShow();
    void Edit1KeyDown(int key);
    void Button1Click();
    void NMHTTP1HostResolved();
    void NMHTTP1InvalidHost(bool &Handled);
    void NMHTTP1ConnectionFailed();
    void NMHTTP1PacketRecvd();
    void NMHTTP1Success();

    bool fetching() const { return m_fetching; }
    // Stops the running fetch, if any, without an error message.
    void cancelFetch();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowSet &m_forms;
    bool m_fetching = false;
    bool m_cancelled = false;
    bool m_hidingForBody = false; // the first chunk hides this window; that stops nothing

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm7> ui;
};
