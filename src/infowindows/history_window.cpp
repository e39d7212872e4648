#include "infowindows/history_window.h"
#include "ui_history_window.h"

#include "windowset/main_window_link.h"
#include "infowindows/history_model.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStyledItemDelegate>

namespace {

// Every line of the list is 13 pixels high, whatever the font asks for.
class FixedHeightLines : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int LineHeight = 13;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), LineHeight};
    }
};

} // namespace

TForm5::TForm5(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm5>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    move(414, 130);
    m_model = new HistoryModel(this);
    ui->ListBox1->setModel(m_model);
    ui->ListBox1->setItemDelegate(new FixedHeightLines(ui->ListBox1));
    ui->ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The button and the filter lie over the list's bottom corners.
    ui->Button1->raise();
    ui->Filter->raise();
    connect(ui->Filter, &QLineEdit::textChanged, this,
            toolkit::guard([this](const QString &text) { m_model->setFilter(toolkit::toSingleByte(text)); }));
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
    // A double click or Enter on an entry opens it. The list's own Enter
    // acts on the press, so the Enter that chose "History" in a menu could
    // open an entry: Enter is taken here, on a keystroke made in the list.
    connect(ui->ListBox1, &QListView::activated, this,
            toolkit::guard([this](const QModelIndex &index) { openEntry(index); }));
    ui->ListBox1->installEventFilter(this);
}

TForm5::~TForm5() = default;

bool TForm5::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->ListBox1) {
        if (toolkit::isEnterKey(m_listKeys.completedBy(event)) && ui->ListBox1->currentIndex().isValid()) {
            const QModelIndex index = ui->ListBox1->currentIndex();
            toolkit::guarded([this, &index] { openEntry(index); });
        }
        if (event->type() == QEvent::KeyPress && toolkit::isEnterKey(static_cast<QKeyEvent *>(event)->key()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm5::openEntry(const QModelIndex &index)
{
    m_forms.Form2->setAddressText(toolkit::fromSingleByte(m_model->entry(index.row())));
    m_forms.Form2->Button1Click();
}

void TForm5::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window restored by the window system is not shown anew.
    if (event->spontaneous())
        return;
    // The filter's clear button comes with the first showing: its icon is
    // looked up in the desktop's icon theme, which costs start-up time.
    ui->Filter->setClearButtonEnabled(true);
    toolkit::guarded([this] { FormShow(); });
}

void TForm5::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    toolkit::guarded([this] { FormResize(); });
}

void TForm5::FormShow()
{
    m_model->setEntries(m_forms.Form2->history());
}

void TForm5::Button1Click()
{
    // Clearing cannot be undone and ends the program: ask first.
    if (!toolkit::askYesNo(QStringLiteral("Clear the whole history?")))
        return;
    m_model->clear();
    m_forms.Form2->clear();
}

void TForm5::FormResize()
{
    // The list fills the client area; "Clear" keeps the bottom-right corner.
    ui->ListBox1->setGeometry(rect());
    ui->Button1->move(width() - ui->Button1->width(), height() - ui->Button1->height());
    ui->Filter->setGeometry(0, height() - ui->Button1->height(), std::max(0, width() - ui->Button1->width()),
                           ui->Button1->height());
}
