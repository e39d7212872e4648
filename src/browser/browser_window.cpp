#include "browser/browser_window.h"
#include "ui_browser_window.h"

#include "addressbox/address_suggestions.h"

#include "bookmarks/bookmark_file.h"
#include "pagewindows/find_bar.h"
#include "windowset/main_window_link.h"
#include "pagewindows/page_windows.h"
#include "pagewindows/page_zoom.h"
#include "browser/text_pane.h"
#include "platform/empty_caption.h"
#include "platform/request_filter.h"
#include "platform/site_zoom.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/gauge.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/key_strokes.h"
#include "toolkit/widgets/picture_button.h"
#include "toolkit/widgets/pictures.h"

#include <QCloseEvent>
#include <QLoggingCategory>
#include <QHideEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <QMenu>
#include <QResizeEvent>
#include <QShowEvent>
#include <QVBoxLayout>

// Start-up milestones (off by default): the first completed page.
Q_LOGGING_CATEGORY(lcFirstPage, "kestrelon.startup", QtWarningMsg)

namespace {
// The banner strip's height; the page area starts below it while it shows.
constexpr int kBannerHeight = 92;
// Space between the lowest toolbar control and the page below it.
constexpr int kToolbarGap = 8;
// Long enough to read a level, short enough not to sit over the page.
constexpr int kZoomNoteMs = 1500;
} // namespace

TForm1::TForm1(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // The form holds the client size; the outer bounds are 187, 125, 796 x 478.
    move(187, 125);

    m_engine = platform::createWebEngine(ui->WebBrowser1);
    auto *layout = new QVBoxLayout(ui->WebBrowser1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    m_engine->OnProgressChange = [this](int progress, int progressMax) {
        toolkit::guarded([&] { WebBrowser1ProgressChange(progress, progressMax); });
    };
    m_engine->OnDownloadComplete = [this] { toolkit::guarded([this] { WebBrowser1DownloadComplete(); }); };
    m_pageWindows = new PageWindows(*this, *ui->WebBrowser1, *m_engine);

    // The page area and the banner carry the main window's popup menu.
    for (QWidget *area : {m_engine->widget(), static_cast<QWidget *>(ui->Image1)}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this, toolkit::guard([this, area](QPoint pos) {
                    if (QMenu *menu = mainWindow().PopupMenu1())
                        menu->popup(area->mapToGlobal(pos));
                }));
    }

    // The text pane lies behind the engine until the page source puts text in it.
    ui->Memo1->lower();
    ui->Memo1->hide();
    // The toolbars lie over the page area; the banner is the page area's
    // top when it shows.
    for (QWidget *control : toolbarControls()) {
        if (control != ui->Image1)
            control->raise();
    }
    // The visible toolbar controls decide where the page area starts, and
    // the find bar where it ends, whoever shows or hides them.
    for (QWidget *control : toolbarControls())
        control->installEventFilter(this);
    m_findBar = new FindBar(*m_engine, *ui->Memo1, this);
    m_findBar->installEventFilter(this);
    ui->Memo1->installEventFilter(this);

    platform::keepEmptyCaptionEmpty(*this);
    m_siteZoom = std::make_unique<platform::SiteZoom>(platform::SiteZoom::defaultFile());
    m_zoom = std::make_unique<PageZoom>(*m_engine, *m_siteZoom);
    m_zoom->OnChanged = [this] { showZoomNote(); };
    if (platform::requestFilter())
        connect(platform::requestFilter(), &platform::RequestFilter::blockedCountChanged, this,
                toolkit::guard([this] { showBlockedInCaption(); }));
    m_engine->OnUrlChanged = [this] { toolkit::guarded([this] { m_zoom->pageChanged(); }); };
    m_engine->OnZoomWheel = [this](int steps) { toolkit::guarded([&] { m_zoom->step(steps); }); };

    ui->ComboBox1->installEventFilter(this);
    ui->ComboBox2->installEventFilter(this);
    if (m_forms.Form2) {
        m_forms.Form2->suggestions().attach(ui->ComboBox1, [this] { ComboBox1KeyDown(13); });
        m_forms.Form2->suggestions().attach(ui->ComboBox2, [this] { ComboBox2KeyDown(13); });
    }
    connectToolbar();
    layoutPageArea();
    // Button4Click: a bookmark of the page now shown.
    connect(ui->Button4, &QPushButton::clicked, this, toolkit::guard([this](bool) { saveBookmarkOfPage(); }));
    textpane::installContextMenu(*this, *ui->Memo1, m_forms);
}

TForm1::~TForm1()
{
    // Its windows hold the engine's view and hooks: they go first.
    delete m_pageWindows;
}

void TForm1::connectToolbar()
{
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
    connect(ui->Button3, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button3Click(); }));
    connect(ui->Button2, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button2Click(); }));
    connectPictureButton(ui->rew, skin::kBack, &TForm1::rewClick);
    connectPictureButton(ui->stop, skin::kStop, &TForm1::stopClick);
    connectPictureButton(ui->forw, skin::kForward, &TForm1::forwClick);
    connectPictureButton(ui->Image2, skin::kRefresh, &TForm1::Image2Click);
}

// The pressed look comes with the left button only; any release loads the
// normal look again. Both read the file anew.
void TForm1::connectPictureButton(TPictureButton *button, const skin::ButtonLooks &looks, void (TForm1::*click)())
{
    const QString normal = QLatin1String(looks.normal);
    const QString pressed = QLatin1String(looks.pressed);
    connect(button, &TPictureButton::mouseDown, this, toolkit::guard([button, pressed](Qt::MouseButton which, QPoint) {
                if (which == Qt::LeftButton)
                    button->loadPicture(pressed, true);
            }));
    connect(button, &TPictureButton::mouseUp, this,
            toolkit::guard([button, normal](Qt::MouseButton, QPoint) { button->loadPicture(normal, false); }));
    connect(button, &TPictureButton::clicked, this, toolkit::guard([this, click] { (this->*click)(); }));
}

void TForm1::WebBrowser1ProgressChange(int Progress, int ProgressMax)
{
    // The main window's gauge: maximum, then position (clamped by the
    // gauge; a negative maximum is refused there and ends this handler).
    TGauge &gauge = mainWindow().Gauge1();
    gauge.setMaxValue(ProgressMax);
    gauge.setProgress(Progress);
    // The marker follows.
    mainWindow().gaugechange();
    // The caption from the event's own numbers and the gauge's percent.
    const QByteArray caption = PageTitle + ' ' + QByteArray::number(Progress) + '/' + QByteArray::number(ProgressMax)
                               + " (" + QByteArray::number(gauge.PercentDone()) + "%)";
    setWindowTitle(toolkit::fromSingleByte(caption));
    // A report of nothing left to load reads as done.
    if (toolkit::toSingleByte(windowTitle()) == PageTitle + " 0/0 (0%)")
        setWindowTitle(toolkit::fromSingleByte(PageTitle + " [Done]"));
    m_blockedSuffix.clear();
    showBlockedInCaption();
}

void TForm1::showBlockedInCaption()
{
    QString caption = windowTitle();
    if (!m_blockedSuffix.isEmpty() && caption.endsWith(m_blockedSuffix))
        caption.chop(m_blockedSuffix.size());
    m_blockedSuffix = platform::blockedCaptionSuffix(WebBrowser1().LocationURL());
    setWindowTitle(caption + m_blockedSuffix);
}

void TForm1::showZoomNote()
{
    // A tool tip is a window of its own: the engine's page, composed over
    // the window's other content on some platforms, cannot cover it.
    if (!isVisible())
        return;
    QWidget *area = ui->WebBrowser1;
    const QPoint corner = area->mapToGlobal(QPoint(area->width() - 8, 8));
    QToolTip::showText(corner, m_zoom->noteText(), area, QRect(), kZoomNoteMs);
}

void TForm1::WebBrowser1DownloadComplete()
{
    // The engine's address into the main window's address box (no Go).
    mainWindow().setAddressText(toolkit::fromSingleByte(toolkit::toSingleByte(WebBrowser1().LocationURL())));
    // The page's name for the next caption.
    PageTitle = toolkit::toSingleByte(WebBrowser1().LocationName());
    if (OnPageCompleted)
        OnPageCompleted(WebBrowser1().LocationURL());

    static bool first = true;
    if (std::exchange(first, false))
        qCInfo(lcFirstPage) << "first page complete";
}

void TForm1::ComboBox1KeyDown(int key)
{
    if (key != 13)
        return;
    mainWindow().setAddressText(ui->ComboBox1->text());
    mainWindow().Button1Click();
}

void TForm1::ComboBox2KeyDown(int key)
{
    if (key != 13)
        return;
    mainWindow().setAddressText(ui->ComboBox2->text());
    mainWindow().Button1Click();
}

void TForm1::saveBookmarkOfPage()
{
    const bookmarks::SavedBookmark saved = bookmarks::saveBookmark(WebBrowser1());
    mainWindow().suggestions().bookmarkSaved(saved.address, saved.name);
}

void TForm1::Button1Click()
{
    mainWindow().Button2Click();
}

void TForm1::Button3Click()
{
    mainWindow().Button4Click();
}

void TForm1::Button2Click()
{
    mainWindow().Button3Click();
}

void TForm1::rewClick()
{
    mainWindow().Button2Click();
}

void TForm1::stopClick()
{
    mainWindow().Button4Click();
}

void TForm1::forwClick()
{
    mainWindow().Button3Click();
}

void TForm1::Image2Click()
{
    mainWindow().Uppdatera1Click();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        toolkit::guarded([this] { FormShow(); });
}

void TForm1::FormShow()
{
    // The banner and the four pictures, in this order; a failing load ends
    // the handler before the later ones and the repaint.
    auto *banner = ui->Image1;
    banner->setPixmap(toolkit::loadBitmapFile(QLatin1String(skin::kBrowserBanner)));
    ui->rew->loadPicture(QLatin1String(skin::kBack.normal), false);
    ui->forw->loadPicture(QLatin1String(skin::kForward.normal), false);
    ui->stop->loadPicture(QLatin1String(skin::kStop.normal), false);
    ui->Image2->loadPicture(QLatin1String(skin::kRefresh.normal), false);
    update();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPageArea();
    toolkit::guarded([this] { FormResize(); });
}

void TForm1::FormResize()
{
    // The plain set stays centred, visible or not.
    const int half = width() / 2;
    ui->Button1->move(half - 279, ui->Button1->y());
    ui->Button3->move(half - 193, ui->Button3->y());
    ui->Button2->move(half - 107, ui->Button2->y());
    ui->ComboBox1->move(half + 38, ui->ComboBox1->y());
    ui->Button4->move(half + 268, ui->Button4->y());
}

void TForm1::closeEvent(QCloseEvent *event)
{
    toolkit::guarded([this] { FormCloseQuery(); });
    // Closing only hides: this is not the main window.
    event->accept();
}

void TForm1::FormCloseQuery()
{
    // The next show has the engine in front.
    showPageArea();
}

void TForm1::startPaneText()
{
    m_paneText.restart();
}

void TForm1::showInPane(const QByteArray &bodySoFar)
{
    m_paneText.show(*ui->Memo1, bodySoFar);
    ui->Memo1->raise();
    ui->Memo1->show();
}

void TForm1::bringPaneForward()
{
    // Also when it was shown already behind other windows.
    show();
    raise();
    activateWindow();
    setWindowTitle(QString());
}

QByteArray TForm1::paneFileBytes() const
{
    return textpane::fileBytes(*ui->Memo1);
}

QByteArray TForm1::paneTextBytes() const
{
    return textpane::textBytes(*ui->Memo1);
}

void TForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit hidden();
}

void TForm1::showPageArea()
{
    ui->Memo1->lower();
    ui->Memo1->hide();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Memo1 && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        // The engine's page is composed over the window's other content on
        // some platforms (X11), whatever the stacking order: while the text
        // pane is in front, the page steps out of the way.
        m_engine->widget()->setVisible(event->type() == QEvent::HideToParent);
    } else if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        && (watched == m_findBar || toolbarControls().contains(static_cast<QWidget *>(watched)))) {
        layoutPageArea();
    } else if ((watched == ui->ComboBox1 || watched == ui->ComboBox2) && event->type() == QEvent::KeyPress) {
        // Enter of either keypad counts, once per keystroke: the repeats of
        // a held key do not run Go again. The key is not consumed.
        const int code = toolkit::isFreshEnterPress(event) ? 13 : 0;
        if (watched == ui->ComboBox1)
            toolkit::guarded([&] { ComboBox1KeyDown(code); });
        else
            toolkit::guarded([&] { ComboBox2KeyDown(code); });
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *TForm1::pageArea() const
{
    return ui->WebBrowser1;
}

QLineEdit *TForm1::shownAddressBox() const
{
    if (ui->ComboBox1->isVisible())
        return ui->ComboBox1;
    if (ui->ComboBox2->isVisible())
        return ui->ComboBox2;
    return nullptr;
}

QList<QWidget *> TForm1::programKeyFields() const
{
    return {ui->ComboBox1, ui->ComboBox2, ui->Memo1};
}

QList<QWidget *> TForm1::toolbarSet(ToolbarSet set) const
{
    switch (set) {
    case ToolbarSet::Plain:
        return {ui->Button1, ui->Button3, ui->Button2, ui->ComboBox1, ui->Button4};
    case ToolbarSet::Banner:
        return {ui->Image1};
    case ToolbarSet::Skinned:
        return {ui->rew, ui->stop, ui->forw};
    case ToolbarSet::Refresh:
        return {ui->Image2};
    case ToolbarSet::SecondAddress:
        return {ui->ComboBox2};
    }
    return {};
}

QList<QWidget *> TForm1::toolbarControls() const
{
    QList<QWidget *> controls;
    for (ToolbarSet set : {ToolbarSet::Banner, ToolbarSet::Skinned, ToolbarSet::Refresh, ToolbarSet::SecondAddress,
                           ToolbarSet::Plain})
        controls += toolbarSet(set);
    return controls;
}

void TForm1::showToolbarSet(ToolbarSet set, bool shown)
{
    for (QWidget *control : toolbarSet(set))
        control->setVisible(shown);
}

// The page area fills the client area below the banner when it is shown.
// Without the banner it starts below the lowest visible toolbar control, so
// no control covers the page's first lines (with none, at the top). The
// find bar, while open, takes the bottom.
void TForm1::layoutPageArea()
{
    int top = 0;
    if (ui->Image1->isVisibleTo(this)) {
        top = kBannerHeight;
    } else {
        for (QWidget *control : toolbarControls()) {
            if (control->isVisibleTo(this))
                top = qMax(top, control->geometry().bottom() + 1 + kToolbarGap);
        }
    }
    ui->Image1->setGeometry(0, 0, width(), kBannerHeight);
    int bottom = height();
    if (m_findBar) {
        const int barHeight = m_findBar->height();
        m_findBar->setGeometry(0, height() - barHeight, width(), barHeight);
        if (m_findBar->isVisibleTo(this))
            bottom -= barHeight;
    }
    const QRect area(0, top, width(), qMax(0, bottom - top));
    ui->WebBrowser1->setGeometry(area);
    ui->Memo1->setGeometry(area);
}
