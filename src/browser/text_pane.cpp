#include "browser/text_pane.h"

#include "browser/browser_window.h"
#include "browser/save_text_dialog.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/guard.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace textpane {

void installContextMenu(TForm1 &browser, QPlainTextEdit &paneWidget, WindowSet &forms)
{
    QPlainTextEdit *pane = &paneWidget;
    auto *menu = new QMenu(&browser);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *save = menu->addAction(QStringLiteral("Save to file"));
    save->setObjectName(QStringLiteral("SaveTofile1"));
    QAction *clear = menu->addAction(QStringLiteral("Clear"));
    clear->setObjectName(QStringLiteral("Clear1"));

    // SaveTofile1Click: the browser window stays usable meanwhile.
    QObject::connect(save, &QAction::triggered, &browser, toolkit::guard([&forms](bool) {
                         TForm12 *dialog = forms.Form12;
                         dialog->show();
                         dialog->raise();
                         dialog->activateWindow();
                     }));
    // Clear1Click: the pane stays in front or behind as it was.
    QObject::connect(clear, &QAction::triggered, &browser, toolkit::guard([pane](bool) { pane->clear(); }));

    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(pane, &QWidget::customContextMenuRequested, menu,
                     toolkit::guard([pane, menu](const QPoint &pos) { menu->popup(pane->mapToGlobal(pos)); }));
}

namespace {

QList<QByteArray> lines(const QPlainTextEdit &pane)
{
    QList<QByteArray> result;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next())
        result.append(toolkit::toSingleByte(block.text()));
    // The document always has a block after the last line break; it is no line.
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

QByteArray fileBytes(const QPlainTextEdit &pane)
{
    QByteArray bytes;
    for (const QByteArray &line : lines(pane)) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

QByteArray textBytes(const QPlainTextEdit &pane)
{
    QByteArray bytes;
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next()) {
        if (block != pane.document()->begin())
            bytes += '\n';
        bytes += toolkit::toSingleByte(block.text());
    }
    return bytes;
}

GrowingText::~GrowingText()
{
    QObject::disconnect(m_changed);
}

void GrowingText::restart()
{
    m_valid = false;
}

void GrowingText::follow(QPlainTextEdit &pane)
{
    if (m_pane == &pane)
        return;
    QObject::disconnect(m_changed);
    m_pane = &pane;
    m_changed = QObject::connect(pane.document(), &QTextDocument::contentsChanged, [this] {
        if (!m_ownEdit)
            m_valid = false;
    });
}

void GrowingText::replace(QPlainTextEdit &pane, const QByteArray &body)
{
    {
        QScopedValueRollback own(m_ownEdit, true);
        pane.setPlainText(toolkit::fromSingleByte(body));
    }
    m_shown = body.size();
    m_endsWithCr = body.endsWith('\r');
    m_valid = true;
}

void GrowingText::show(QPlainTextEdit &pane, const QByteArray &body)
{
    follow(pane);
    // setPlainText() may have replaced the document the signal watches.
    if (!m_valid || body.size() < m_shown) {
        replace(pane, body);
        return;
    }
    if (body.size() == m_shown)
        return;

    QByteArray added = body.mid(m_shown);
    // A CR LF split between two chunks is one line break, as in the whole
    // text: the CR already ended the line, so its LF adds nothing.
    if (m_endsWithCr && added.startsWith('\n'))
        added.remove(0, 1);
    m_shown = body.size();
    m_endsWithCr = body.endsWith('\r');
    if (added.isEmpty())
        return;

    QScopedValueRollback own(m_ownEdit, true);
    QTextDocument *document = pane.document();
    // Appending is no edit the user could undo; keeping an undo step per
    // chunk would hold a second copy of the body.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(toolkit::fromSingleByte(added));
    document->setUndoRedoEnabled(undo);
}

} // namespace textpane
