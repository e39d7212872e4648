#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QPointer>

class QPlainTextEdit;
class TForm1;
struct WindowSet;

// The browser window's text pane (Memo1): its context menu, the bytes it
// saves to, and a way to keep it showing a body that grows chunk by chunk.
namespace textpane {

// Gives Memo1 its context menu PopupMenu1: "Save to file" (SaveTofile1,
// shows the file-name window without making it modal) and "Clear" (Clear1).
void installContextMenu(TForm1 &browser, QPlainTextEdit &pane, WindowSet &forms);

// The pane's lines in the single-byte code page, each followed by CR LF,
// the last one included. A trailing line break ends the last line and
// starts none: "a\n" and "a" both give "a\r\n"; an empty pane gives nothing.
QByteArray fileBytes(const QPlainTextEdit &pane);

// The pane's text in the single-byte code page, lines joined by LF. Unlike
// toPlainText() it keeps no-break spaces as they are.
QByteArray textBytes(const QPlainTextEdit &pane);

// Keeps a pane showing a body that only grows, at a cost linear in the body
// (replacing the whole text per chunk would be quadratic). After each
// show() the pane holds exactly `body`, as a replacement of its text would
// leave it; only the part not yet shown is inserted, as long as the pane
// still holds what this feed put there. Any other change to the pane (the
// user typing, "Clear"), a body that did not grow from what was shown, or
// restart() makes the next show() replace the whole text.
class GrowingText {
public:
    GrowingText() = default;
    ~GrowingText();
    GrowingText(const GrowingText &) = delete;
    GrowingText &operator=(const GrowingText &) = delete;

    void show(QPlainTextEdit &pane, const QByteArray &body);
    // The next body starts afresh (a new response), even if it is longer.
    void restart();

private:
    void replace(QPlainTextEdit &pane, const QByteArray &body);
    void follow(QPlainTextEdit &pane);

    QPointer<QPlainTextEdit> m_pane;
    QMetaObject::Connection m_changed;
    qsizetype m_shown = 0;       // body bytes the pane holds
    bool m_endsWithCr = false;   // the shown part ends with CR: an LF next belongs to it
    bool m_valid = false;        // the pane still holds exactly what was shown
    bool m_ownEdit = false;
};

} // namespace textpane
