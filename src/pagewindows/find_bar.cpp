#include "pagewindows/find_bar.h"

#include "platform/web_engine.h"
#include "toolkit/widgets/guard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QToolButton>

namespace {

// The box's colour when nothing matches.
const QColor kNoMatchColour(255, 170, 170);
// The pane's highlight of every match, and of the current one.
const QColor kMatchColour(255, 240, 120);
const QColor kCurrentMatchColour(255, 160, 60);

} // namespace

FindBar::FindBar(WebEngine &engine, QPlainTextEdit &pane, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_pane(pane)
{
    setObjectName(QStringLiteral("FindBar"));
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);

    layout->addWidget(new QLabel(QStringLiteral("Find:"), this));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("FindText"));
    m_text->setMinimumWidth(200);
    m_boxPalette = m_text->palette();
    layout->addWidget(m_text);
    m_previous = new QToolButton(this);
    m_previous->setArrowType(Qt::UpArrow);
    m_previous->setToolTip(QStringLiteral("Previous match (Shift+F3)"));
    layout->addWidget(m_previous);
    m_next = new QToolButton(this);
    m_next->setArrowType(Qt::DownArrow);
    m_next->setToolTip(QStringLiteral("Next match (F3)"));
    layout->addWidget(m_next);
    m_matches = new QLabel(this);
    m_matches->setObjectName(QStringLiteral("FindMatches"));
    m_matches->setMinimumWidth(70);
    layout->addWidget(m_matches);
    m_case = new QCheckBox(QStringLiteral("Match case"), this);
    layout->addWidget(m_case);
    layout->addStretch(1);
    m_close = new QToolButton(this);
    m_close->setText(QStringLiteral("\u00d7"));
    m_close->setToolTip(QStringLiteral("Close (Escape)"));
    m_close->setAutoRaise(true);
    layout->addWidget(m_close);
    setFixedHeight(sizeHint().height());

    // Typing searches as it goes, from the top; the buttons and the toggle
    // move on from the current match.
    connect(m_text, &QLineEdit::textEdited, this, toolkit::guard([this] { search(false, true); }));
    connect(m_previous, &QToolButton::clicked, this, toolkit::guard([this] { findPrevious(); }));
    connect(m_next, &QToolButton::clicked, this, toolkit::guard([this] { findNext(); }));
    connect(m_case, &QCheckBox::toggled, this, toolkit::guard([this] { search(false, true); }));
    connect(m_close, &QToolButton::clicked, this, toolkit::guard([this] { dismiss(); }));
    m_text->installEventFilter(this);
    installEventFilter(this);
    hide();
}

void FindBar::open()
{
    const bool wasHidden = isHidden();
    // Given at the first opening: the button's icon comes from the desktop's
    // icon theme, whose look-up costs the start-up several milliseconds.
    m_text->setClearButtonEnabled(true);
    show();
    raise();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
    // Opening again over a kept text shows its matches again.
    if (wasHidden && !m_text->text().isEmpty())
        search(false, true);
}

void FindBar::dismiss()
{
    // The focus goes back to what the bar was opened over, before the bar
    // hides: hiding the focused box would pass the focus on as a Tab does,
    // and a page given the focus by Tab moves to its first link, scrolling
    // away from the last match.
    if (paneInFront())
        m_pane.setFocus(Qt::OtherFocusReason);
    else if (QWidget *page = m_engine.widget())
        page->setFocus(Qt::OtherFocusReason);
    hide();
    clearHighlight();
    clearResult();
}

void FindBar::findNext()
{
    if (isHidden()) {
        open();
        return;
    }
    search(false, false);
}

void FindBar::findPrevious()
{
    if (isHidden()) {
        open();
        return;
    }
    search(true, false);
}

bool FindBar::paneInFront() const
{
    return m_pane.isVisible();
}

void FindBar::search(bool backward, bool fromStart)
{
    ++m_request;
    const QString text = m_text->text();
    if (text.isEmpty()) {
        clearHighlight();
        clearResult();
        return;
    }
    if (paneInFront()) {
        searchPane(backward, fromStart);
        return;
    }
    // The engine takes the same text again as "next" and keeps the case
    // rule of its first search: a new search ends the old one first.
    if (fromStart)
        m_engine.findText(QString(), false, false, nullptr);
    const quint64 request = m_request;
    QPointer<FindBar> self(this);
    m_engine.findText(text, backward, m_case->isChecked(), [self, request](WebEngine::FindResult result) {
        if (self && request == self->m_request && self->isVisible())
            self->showResult(result.activeMatch, result.numberOfMatches);
    });
}

// The pane has no search of its own that counts: the matches are collected
// from its text, highlighted, and the current one selected.
void FindBar::searchPane(bool backward, bool fromStart)
{
    const QString needle = m_text->text();
    const QString haystack = m_pane.document()->toPlainText();
    const Qt::CaseSensitivity cs = m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QList<int> starts;
    for (qsizetype at = haystack.indexOf(needle, 0, cs); at >= 0; at = haystack.indexOf(needle, at + 1, cs))
        starts.append(int(at));
    if (starts.isEmpty()) {
        m_paneMatch = -1;
        clearHighlight();
        showResult(0, 0);
        return;
    }
    const int count = int(starts.size());
    if (fromStart || m_paneMatch < 0 || m_paneMatch >= count) {
        // The first match at or after the cursor, as the user left it.
        const int from = m_pane.textCursor().selectionStart();
        m_paneMatch = 0;
        while (m_paneMatch < count && starts.at(m_paneMatch) < from)
            ++m_paneMatch;
        m_paneMatch %= count;
        if (!fromStart)
            m_paneMatch = backward ? (m_paneMatch + count - 1) % count : m_paneMatch;
    } else {
        m_paneMatch = backward ? (m_paneMatch + count - 1) % count : (m_paneMatch + 1) % count;
    }

    QList<QTextEdit::ExtraSelection> highlights;
    for (int i = 0; i < count; ++i) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(m_pane.document());
        mark.cursor.setPosition(starts.at(i));
        mark.cursor.setPosition(starts.at(i) + int(needle.size()), QTextCursor::KeepAnchor);
        mark.format.setBackground(i == m_paneMatch ? kCurrentMatchColour : kMatchColour);
        highlights.append(mark);
    }
    m_pane.setExtraSelections(highlights);
    QTextCursor cursor = highlights.at(m_paneMatch).cursor;
    m_pane.setTextCursor(cursor);
    m_pane.ensureCursorVisible();
    showResult(m_paneMatch + 1, count);
}

void FindBar::showResult(int active, int count)
{
    m_active = active;
    m_count = count;
    m_matches->setText(QStringLiteral("%1 of %2").arg(active).arg(count));
    m_noMatch = count == 0;
    QPalette palette = m_boxPalette;
    if (m_noMatch)
        palette.setColor(QPalette::Base, kNoMatchColour);
    m_text->setPalette(palette);
    emit resultShown();
}

void FindBar::clearResult()
{
    m_active = 0;
    m_count = 0;
    m_noMatch = false;
    m_matches->clear();
    m_text->setPalette(m_boxPalette);
}

void FindBar::clearHighlight()
{
    ++m_request;
    m_paneMatch = -1;
    m_pane.setExtraSelections({});
    m_engine.findText(QString(), false, false, nullptr);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_text && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        const bool backward = key->modifiers() & Qt::ShiftModifier;
        toolkit::guarded([this, backward] { search(backward, false); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
