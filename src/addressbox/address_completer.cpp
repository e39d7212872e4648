#include "addressbox/address_completer.h"

#include "suggest/suggestion_service.h"
#include "suggest/words.h"
#include "toolkit/core/codepage.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int kWordsRole = Qt::UserRole + 1;
constexpr int kLineHeight = 18;
constexpr int kMinimumWidth = 480;

// Draws a line with the typed words in bold.
class HighlightingLines : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

        QList<QByteArray> words;
        for (const QVariant &word : index.data(kWordsRole).toList())
            words.append(word.toByteArray());
        const auto ranges = suggest::matchRanges(toolkit::toSingleByte(text), words);

        painter->save();
        painter->setPen(opt.palette.color(QPalette::Normal, (opt.state & QStyle::State_Selected)
                                                                ? QPalette::HighlightedText
                                                                : QPalette::Text));
        QFont bold = opt.font;
        bold.setBold(true);
        const QRect area = opt.rect.adjusted(4, 0, -4, 0);
        int x = area.left();
        qsizetype at = 0;
        const auto run = [&](qsizetype from, qsizetype length, const QFont &font) {
            if (length <= 0 || x >= area.right())
                return;
            const QString piece = text.mid(from, length);
            painter->setFont(font);
            const QRect box(x, area.top(), area.right() - x, area.height());
            painter->drawText(box, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, piece);
            x += QFontMetrics(font).horizontalAdvance(piece);
        };
        for (const auto &[start, length] : ranges) {
            run(at, start - at, opt.font);
            run(start, length, bold);
            at = start + length;
        }
        run(at, text.size() - at, opt.font);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kLineHeight};
    }
};

QString lineText(const suggest::Suggestion &suggestion)
{
    QString text = toolkit::fromSingleByte(suggestion.address);
    if (suggestion.bookmark && !suggestion.name.isEmpty())
        text += QStringLiteral("  \u2014 ") + toolkit::fromSingleByte(suggestion.name);
    return text;
}

} // namespace

AddressCompleter::AddressCompleter(QLineEdit *box, suggest::SuggestionService *service)
    : QObject(box), m_box(box), m_service(service)
{
    // A window of its own that is never activated: the box keeps the focus
    // and its keys while the list is shown.
    m_popup = new QFrame(box->window(), Qt::ToolTip | Qt::FramelessWindowHint);
    m_popup->setAttribute(Qt::WA_ShowWithoutActivating);
    m_popup->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_list = new QListWidget(m_popup);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setFrameStyle(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setItemDelegate(new HighlightingLines(m_list));
    m_list->setMouseTracking(true);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_list);

    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, &AddressCompleter::textEdited);
    connect(m_service, &suggest::SuggestionService::suggestionsReady, this, &AddressCompleter::answered);
    connect(m_list, &QListWidget::itemClicked, this, &AddressCompleter::clicked);
}

AddressCompleter::~AddressCompleter()
{
    delete m_popup.data();
}

bool AddressCompleter::isListShown() const
{
    return m_popup && m_popup->isVisible();
}

void AddressCompleter::textEdited(const QString &text)
{
    m_typed = text;
    if (text.trimmed().isEmpty()) {
        m_waitingFor = 0;
        hideList();
        return;
    }
    m_waitingFor = m_service->request(toolkit::toSingleByte(text));
}

void AddressCompleter::answered(quint64 serial, const QByteArray &typed, const QList<suggest::Suggestion> &found)
{
    // Only the answer to what the box holds now; the user may have moved on.
    if (!m_popup || serial != m_waitingFor || !m_box->hasFocus() || !m_box->isVisible())
        return;
    m_waitingFor = 0;
    if (found.isEmpty()) {
        hideList();
        return;
    }
    QVariantList words;
    for (const QByteArray &word : suggest::queryWords(typed))
        words.append(word);
    m_shown = found;
    m_list->clear();
    for (const suggest::Suggestion &suggestion : found) {
        auto *item = new QListWidgetItem(lineText(suggestion), m_list);
        item->setData(kWordsRole, words);
    }
    m_list->setCurrentRow(-1);
    placeList();
    m_popup->show();
    m_popup->raise();
}

void AddressCompleter::placeList()
{
    const QPoint below = m_box->mapToGlobal(QPoint(0, m_box->height()));
    int width = std::max(m_box->width(), kMinimumWidth);
    if (const QScreen *screen = m_box->screen())
        width = std::min(width, screen->availableGeometry().right() - below.x());
    m_popup->setGeometry(below.x(), below.y(), std::max(width, m_box->width()), int(m_shown.size()) * kLineHeight + 2);
}

bool AddressCompleter::closeList()
{
    if (!isListShown())
        return false;
    m_box->setText(m_typed);
    hideList();
    return true;
}

void AddressCompleter::hideList()
{
    if (!m_popup)
        return;
    m_popup->hide();
    m_list->clear();
    m_shown.clear();
}

void AddressCompleter::step(int by)
{
    const int count = int(m_shown.size());
    // Past either end is "nothing chosen": the box gets the typed text back.
    int row = m_list->currentRow() + by;
    if (row < -1)
        row = count - 1;
    if (row >= count)
        row = -1;
    m_list->setCurrentRow(row);
    m_box->setText(row < 0 ? m_typed : toolkit::fromSingleByte(m_shown.at(row).address));
}

void AddressCompleter::clicked(QListWidgetItem *item)
{
    const int row = m_list->row(item);
    if (row < 0 || row >= m_shown.size())
        return;
    m_box->setText(toolkit::fromSingleByte(m_shown.at(row).address));
    hideList();
    m_box->setFocus();
    emit chosenByClick();
}

bool AddressCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!isListShown()) {
            // Down on a box with text opens the list without typing.
            if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier && !m_box->text().isEmpty()) {
                m_typed = m_box->text();
                m_waitingFor = m_service->request(toolkit::toSingleByte(m_typed));
                return true;
            }
            return false;
        }
        switch (key->key()) {
        case Qt::Key_Down:
            step(1);
            return true;
        case Qt::Key_Up:
            step(-1);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // The box's own Enter handling runs Go with what it holds.
            hideList();
            return false;
        default:
            return false;
        }
    }
    case QEvent::FocusOut:
    case QEvent::Hide:
        // A click in the list does not take the focus, so this is the user
        // going elsewhere.
        if (m_popup && !m_popup->underMouse())
            hideList();
        m_waitingFor = 0;
        return false;
    default:
        return false;
    }
}
