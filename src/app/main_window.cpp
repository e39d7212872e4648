#include "app/main_window.h"
#include "ui_main_window.h"

#include "app/application_events.h"
#include "app/development_window.h"
#include "app/error_handler.h"
#include "app/interface_modes.h"
#include "app/program_keys.h"
#include "app/last_page.h"
#include "app/main_window_artwork.h"
#include "app/persistence/history_load.h"
#include "app/persistence/persistence.h"
#include "app/window_places.h"
#include "app/window_set_owner.h"
#include "addressbox/address_suggestions.h"
#include "bookmarks/bookmarks_window.h"
#include "browser/browser_window.h"
#include "pagewindows/page_windows.h"
#include "windowset/skin_files.h"
#include "infowindows/about_window.h"
#include "infowindows/history_window.h"
#include "infowindows/runtime_window.h"
#include "infowindows/statistics_window.h"
#include "netfeatures/page_source_window.h"
#include "netfeatures/rpop_window.h"
#include "platform/palette_stacking.h"
#include "platform/shell.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/core/paths.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QLocale>
#include <QLoggingCategory>
#include <QMenu>
#include <QShowEvent>
#include <QTime>
#include <QTimer>

// Start-up milestones, off by default; benchmarks and tests turn them on
// with QT_LOGGING_RULES="kestrelon.startup.info=true".
Q_LOGGING_CATEGORY(lcStartup, "kestrelon.startup", QtWarningMsg)
// Every message box text and every error, off by default, so that a test
// driving the real program can see what the user was told.
Q_LOGGING_CATEGORY(lcMessages, "kestrelon.messages", QtWarningMsg)

namespace {

using Command = void (TForm2::*)();

// The popup menu, in menu order. A row without an item name opens a
// submenu; items follow their submenu until the next one. Each item runs
// its main-menu twin's handler.
struct PopupRow {
    const char *submenu;  // object name of a submenu, or nullptr for an item
    const char *name;     // item name (or the submenu's caption when submenu is set)
    const char *caption;
    const char *shortcut;
    bool visible;
    bool topLevel;
    Command command;
};

constexpr PopupRow kPopupMenu[] = {
    {"arkiv2", "File", nullptr, nullptr, true, true, nullptr},
    {nullptr, "VisaWebbbrowsern1", "Show the webbrowser", nullptr, true, false, &TForm2::VisaWebbrowsern1Click},
    {nullptr, "ndramenylge2", "Change menu state", nullptr, true, false, &TForm2::ndramenylge1Click},
    {nullptr, "Avsluta2", "Exit", nullptr, true, false, &TForm2::Avsluta2Click},
    {"Naviera1", "Navigate", nullptr, nullptr, true, true, nullptr},
    {nullptr, "Back1", "Back", nullptr, true, false, &TForm2::Tillbaka1Click},
    {nullptr, "Forwad1", "Forwad", nullptr, true, false, &TForm2::Frammt1Click},
    {nullptr, "Stop2", "Stop", nullptr, true, false, &TForm2::Stop1Click},
    {nullptr, "Reload1", "Refresh", nullptr, true, false, &TForm2::Uppdatera1Click},
    {"Funktioner1", "Features", nullptr, nullptr, true, true, nullptr},
    {nullptr, "Tid1", "Time", nullptr, true, false, &TForm2::Nuvarandesurftid1Click},
    {nullptr, "History2", "History", nullptr, true, false, &TForm2::History1Click},
    {nullptr, "Hmtakllkod1", "Get source", nullptr, true, false, &TForm2::Kllkod1Click},
    {nullptr, "rPOPsettings1", "rPOP settings", nullptr, true, false, &TForm2::rPOPinstllningar1Click},
    {nullptr, "Statestik2", "Number of visites pages", nullptr, true, false, &TForm2::Webbsidorbeskta1Click},
    {nullptr, "Bokmrken2", "Bookmarks", nullptr, true, true, &TForm2::Bokmrken1Click},
    {"Om3", "About", nullptr, nullptr, true, true, nullptr},
    {nullptr, "Hjlp2", "Help!", nullptr, true, false, &TForm2::Hjlp1Click},
    {nullptr, "Om2", "About Kestrelon beta 1.5", nullptr, true, false, &TForm2::OmNavigator1Click},
    {nullptr, "Minskainterface1", "Minska interface", "F1", false, true, &TForm2::Minskainterface1Click},
    {nullptr, "kainterface2", "\xc3\xb6ka interface", "F2", false, true, &TForm2::kainterface2Click},
};

void showWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

// The time of day as the desktop's long time format gives it (with the
// seconds), without the time zone that Qt's long format adds.
QString longTimeText(const QTime &time)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(time, format.trimmed());
}

} // namespace

TForm2::TForm2(WindowSet &forms) : QMainWindow(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm2>())
{
    ui->setupUi(this);
    // A fixed single border with the system menu and minimise box only;
    // the client area is 440 x 92 with or without the menu bar above it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ui->centralwidget->setFixedSize(440, 92);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(308, 149);

    ui->Image2->setPixmap(artwork::progressTrack(ui->Image2->size()));
    ui->Image3->setPixmap(artwork::progressMarker(ui->Image3->size()));
    ui->Button1->setPixmap(artwork::defaultButton(ui->Button1->size(), QStringLiteral("Go")));
    ui->Button2->setPixmap(artwork::defaultButton(ui->Button2->size(), QStringLiteral("Back")));
    ui->Button4->setPixmap(artwork::defaultButton(ui->Button4->size(), QStringLiteral("Stop")));
    ui->Button3->setPixmap(artwork::defaultButton(ui->Button3->size(), QStringLiteral("Forward")));
    ui->Image1->setMouseTracking(true);
    ui->Edit1->setFocus();
    ui->Edit1->installEventFilter(this);

    // The error, idle and message hook exists before the creation handler
    // runs, so an error there is shown like any other.
    ApplicationEvents1 = new ApplicationEvents(this);
    ApplicationEvents1->OnException = [this](const QString &message, bool nowhereToGo) {
        ApplicationEvents1Exception(message, nowhereToGo);
    };
    ApplicationEvents1->OnIdle = [this] { ApplicationEvents1Idle(); };
    ApplicationEvents1->OnMessage = [this] { ApplicationEvents1Message(); };

    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu1"));
    buildPopupMenu();
    connectCommands();
    connectPictureButtons();
    new programkeys::Handler(*this, m_forms);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { toolkit::guarded([this] { Timer1Timer(); }); });
    Timer1->start();

    // The start-up handler runs inside the toolkit's guard: an error is shown
    // and start-up goes on with what was not read at its initial value.
    toolkit::guarded([this] { FormCreate(); });

    // The index builds from the history once it is read (takeHistory),
    // behind the window's first show.
    m_suggestions = new AddressSuggestions(toolkit::CurrentFolder::path(), this);
    if (!m_historyLoad)
        m_suggestions->build(HistoryList);
    m_suggestions->attach(ui->Edit1, [this] { Button1Click(); });
}

TForm2::~TForm2()
{
    releaseApplicationEvents();
}

void TForm2::releaseApplicationEvents()
{
    delete std::exchange(ApplicationEvents1, nullptr);
}

void TForm2::buildPopupMenu()
{
    QMenu *submenu = nullptr;
    for (const PopupRow &row : kPopupMenu) {
        if (row.submenu) {
            submenu = m_popupMenu->addMenu(QString::fromUtf8(row.name));
            submenu->setObjectName(QLatin1String(row.submenu));
            continue;
        }
        QMenu *into = row.topLevel ? m_popupMenu : submenu;
        QAction *action = into->addAction(QString::fromUtf8(row.caption));
        action->setObjectName(QLatin1String(row.name));
        if (row.shortcut)
            action->setShortcut(QKeySequence(QLatin1String(row.shortcut)));
        action->setVisible(row.visible);
        const Command command = row.command;
        connect(action, &QAction::triggered, this, toolkit::guard([this, command](bool) { (this->*command)(); }));
    }
}

void TForm2::connectCommands()
{
    const struct {
        QAction *item;
        Command command;
    } items[] = {
        {ui->VisaWebbrowsern1, &TForm2::VisaWebbrowsern1Click},
        {ui->ndramenylge1, &TForm2::ndramenylge1Click},
        {ui->Avsluta1, &TForm2::Avsluta1Click},
        {ui->Tillbaka1, &TForm2::Tillbaka1Click},
        {ui->Frammt1, &TForm2::Frammt1Click},
        {ui->Stop1, &TForm2::Stop1Click},
        {ui->Uppdatera1, &TForm2::Uppdatera1Click},
        {ui->Nuvarandesurftid1, &TForm2::Nuvarandesurftid1Click},
        {ui->History1, &TForm2::History1Click},
        {ui->Kllkod1, &TForm2::Kllkod1Click},
        {ui->rPOPinstllningar1, &TForm2::rPOPinstllningar1Click},
        {ui->Webbsidorbeskta1, &TForm2::Webbsidorbeskta1Click},
        {ui->SnabbInterface2, &TForm2::SnabbInterface2Click},
        {ui->kainterface1, &TForm2::kainterface1Click},
        {ui->Bokmrken1, &TForm2::Bokmrken1Click},
        {ui->Hjlp1, &TForm2::Hjlp1Click},
        {ui->OmNavigator1, &TForm2::OmNavigator1Click},
        {ui->RaiseExeption1, &TForm2::RaiseExeption1Click},
    };
    for (const auto &entry : items) {
        const Command command = entry.command;
        connect(entry.item, &QAction::triggered, this, toolkit::guard([this, command](bool) { (this->*command)(); }));
    }
}

void TForm2::connectPictureButtons()
{
    // Back, Stop and Forward take the pressed look from the left button
    // only; Go from any button. Every load reads the file again.
    const struct {
        TPictureButton *button;
        skin::ButtonLooks looks;
        bool anyButton;
        Command click;
    } buttons[] = {
        {ui->Button2, skin::kBack, false, &TForm2::Button2Click},
        {ui->Button4, skin::kStop, false, &TForm2::Button4Click},
        {ui->Button3, skin::kForward, false, &TForm2::Button3Click},
        {ui->Button1, skin::kGo, true, &TForm2::Button1Click},
    };
    for (const auto &b : buttons) {
        TPictureButton *button = b.button;
        const QString normal = QLatin1String(b.looks.normal);
        const QString pressed = QLatin1String(b.looks.pressed);
        const bool anyButton = b.anyButton;
        connect(button, &TPictureButton::mouseDown, this,
                toolkit::guard([button, pressed, anyButton](Qt::MouseButton which, QPoint) {
                    if (anyButton || which == Qt::LeftButton)
                        button->loadPicture(pressed, true);
                }));
        connect(button, &TPictureButton::mouseUp, this,
                toolkit::guard([button, normal, anyButton](Qt::MouseButton which, QPoint) {
                    if (anyButton || which == Qt::LeftButton)
                        button->loadPicture(normal, false);
                }));
        const Command click = b.click;
        connect(button, &TPictureButton::clicked, this, toolkit::guard([this, click] { (this->*click)(); }));
    }
    connect(ui->Image1, &TPictureButton::mouseMoved, this, toolkit::guard([this](QPoint) { Image1MouseMove(); }));
}

void TForm2::FormCreate()
{
    // Initial values; the history holds one empty entry.
    InterfaceMode = 0;
    TotalPages = 0;
    SessionPages = 0;
    RunHours = RunMinutes = RunSeconds = 0;
    IdleCount = MessageCount = 0;
    HistoryList = {QByteArray()};

    // The counter, the history and the three setting bytes, each file
    // on its own: the close writes every one of them back, so a file left
    // unread because an earlier one failed would be overwritten with values
    // it never held (a whole history replaced by this run's few entries).
    // Each failure is still shown, a file that fails keeps its values at
    // their initial ones, and after any failure the handler ends with the
    // files, as it would have at the first one. The history is read on a
    // thread of its own and taken in after the first show (takeHistory);
    // its failure is shown then.
    bool failed = false;
    const auto read = [&failed](const auto &step) {
        bool done = false;
        toolkit::guarded([&] {
            step();
            done = true;
        });
        failed = failed || !done;
    };
    read([this] { TotalPages = persistence::readTotalPages(); });
    read([this] {
        m_historyLoad = new persistence::HistoryLoad(this);
        connect(m_historyLoad, &persistence::HistoryLoad::ready, this, toolkit::guard([this] { takeHistory(); }));
    });
    char menuState = 0;
    read([this, &menuState] {
        const persistence::SettingBytes settings = persistence::readSettingBytes();
        ShowBrowserAtStart = settings.showBrowserAtStart;
        InterfaceMode = toolkit::strToInt(toolkit::fromSingleByte(QByteArray(1, settings.interfaceMode)));
        menuState = settings.menuState;
    });
    if (failed)
        return;

    // Menu state '1': no menu bar; the client area keeps its 440 x 92.
    if (menuState == '1')
        detachMainMenu(*this);

    // The five skin bitmaps.
    ui->Image1->loadPicture(QLatin1String(skin::kMainBackground), false);
    ui->Button2->loadPicture(QLatin1String(skin::kBack.normal), false);
    ui->Button4->loadPicture(QLatin1String(skin::kStop.normal), false);
    ui->Button3->loadPicture(QLatin1String(skin::kForward.normal), false);
    ui->Button1->loadPicture(QLatin1String(skin::kGo.normal), false);
}

void TForm2::detachMenu()
{
    m_menuAttached = false;
    ui->MainMenu1->hide();
    ui->MainMenu1->setEnabled(false);
    adjustSize();
}

void TForm2::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Restoring from the task bar is no new show.
    if (event->spontaneous() || m_shownOnce)
        return;
    m_shownOnce = true;
    // Every window exists now.
    new platform::PaletteStacking(*this, *m_forms.Form1, this);
    if (ApplicationEvents1)
        ApplicationEvents1->setQuietWindow(m_forms.Form11);
    flushPendingLog();
    toolkit::guarded([this] { FormShow(); });
    qCInfo(lcStartup) << "main window shown";
}

void TForm2::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // Hidden by the program: it has closed for good (also when the session
    // ends). A page source fetch would bring its window back.
    if (!event->spontaneous() && m_forms.Form7)
        m_forms.Form7->cancelFetch();
}

void TForm2::FormShow()
{
    // The interface mode onto the browser window's toolbars.
    if (!applyStartupMode(*m_forms.Form1, InterfaceMode))
        toolkit::showMessage(QStringLiteral("Invalid parameter in Kestrelon.cfg: %1").arg(InterfaceMode));
    // The browser window, when the settings ask for it.
    if (ShowBrowserAtStart == '1') {
        m_forms.Form1->show();
        // The small controller sits inside the browser window's area: keep it
        // in front, with the focus in its address box, so the user can type.
        raise();
        activateWindow();
    }
}

void TForm2::FormCloseQuery()
{
    saveWindowPlaces();

    // ModeChar: the first character of the mode's decimal text.
    const char modeChar = QByteArray::number(InterfaceMode).at(0);

    // Hide eight windows; the other four go away with the process.
    const QList<QWidget *> toHide = windowsHiddenAtClose(m_forms);
    for (QWidget *window : toHide) {
        if (window)
            window->hide();
    }

    // The files. Written before the history is in, the file would lose
    // every entry it held: the read is waited for.
    takeHistory();
    persistence::saveAtClose(persistence::CloseState{TotalPages, HistoryCleared, &HistoryList, modeChar,
                                                     ShowBrowserAtStart});
}

bool TForm2::runCloseQuery()
{
    try {
        FormCloseQuery();
        closeStepDone();
        return true;
    } catch (const persistence::ETemplateError &e) {
        // A missing or empty template must not trap the user: tell, then end.
        toolkit::reportError(e.message());
        closeStepDone();
        return true;
    } catch (const EAbort &) {
        return false;
    } catch (const Exception &e) {
        toolkit::reportError(e.message());
        return false;
    } catch (const std::exception &e) {
        toolkit::reportError(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void TForm2::closeEvent(QCloseEvent *event)
{
    // Closing ends the program: a running download is stopped only when the
    // user agrees.
    if ((m_forms.Form1 && !m_forms.Form1->pageWindows().mayClose()) || !runCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::exit(0);
}

void TForm2::contextMenuEvent(QContextMenuEvent *event)
{
    m_popupMenu->popup(event->globalPos());
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in the address box acts on its release, whatever the shift
    // state, and only when it was pressed here too: the Enter that dismissed
    // a message box or started a command in another window is released here
    // once the focus is back, and must not run Go.
    if (watched == ui->Edit1 && toolkit::isEnterKey(m_addressKeys.completedBy(event)))
        toolkit::guarded([this] { Button1Click(); });
    return QMainWindow::eventFilter(watched, event);
}

bool TForm2::requestClose()
{
    return close();
}

void TForm2::saveAtSessionEnd()
{
    // Nobody may be there to dismiss a box while the session ends, and a box
    // left open would hold up the log-off: a failed save is told on standard
    // error (the session's log) instead of through the error handler, and
    // the caller goes on regardless. Should the log-off be cancelled, the
    // program runs on and its next close saves, and reports, again.
    takeHistory(true);
    try {
        FormCloseQuery();
    } catch (const Exception &e) {
        qWarning().noquote() << "kestrelon: saving at the end of the session failed:" << e.message();
    } catch (const std::exception &e) {
        qWarning().noquote() << "kestrelon: saving at the end of the session failed:" << e.what();
    }
    closeStepDone();
}

void TForm2::keepWindowsAndPage()
{
    QList<QWidget *> windows{m_forms.Form1, this};
    windows.append(otherWindows(m_forms));
    m_windowPlaces = new windowplaces::Keeper(windowplaces::Keeper::defaultFile(), windows, this);
    m_lastPage = new lastpage::Recorder(lastpage::defaultFile(), this);
    m_forms.Form1->OnPageCompleted = [this](const QString &address) { m_lastPage->pageCompleted(address); };
}

void TForm2::saveWindowPlaces()
{
    if (!m_windowPlaces)
        return;
    // Window places are a convenience: failing to keep them never holds up
    // the close or the files that matter.
    try {
        m_windowPlaces->save();
    } catch (const Exception &e) {
        qWarning().noquote() << "kestrelon: cannot keep the window places:" << e.message();
    }
}

void TForm2::closeStepDone()
{
    if (m_lastPage)
        m_lastPage->closed();
}

void TForm2::endSession()
{
    saveAtSessionEnd();
    QCoreApplication::exit(0);
}

QString TForm2::addressText() const
{
    return ui->Edit1->text();
}

void TForm2::setAddressText(const QString &text)
{
    ui->Edit1->setText(text);
}

QLineEdit *TForm2::addressBox()
{
    return ui->Edit1;
}

void TForm2::showBrowserWindow()
{
    // The browser window comes to the front with the focus; this window
    // stays above it through the stacking relation made at the first show.
    showWindow(m_forms.Form1);
}

void TForm2::Button1Click()
{
    // Show the browser window, the page in front of the text pane.
    showBrowserWindow();
    m_forms.Form1->showPageArea();
    // Navigate to the address box text, unchanged. A failure stops here.
    //    Words that are no address go to the search template instead.
    m_forms.Form1->WebBrowser1().Navigate(
        m_suggestions->navigationTarget(toolkit::fromSingleByte(toolkit::toSingleByte(ui->Edit1->text()))));
    // Count it.
    // The counts wrap as 32-bit numbers do, rather than overflow.
    TotalPages = qint32(quint32(TotalPages) + 1u);
    SessionPages = qint32(quint32(SessionPages) + 1u);
    // Record the address box text, read again.
    HistoryList.append(toolkit::toSingleByte(ui->Edit1->text()));
    // Before the history is in, the visit reaches the index with it.
    if (isHistoryLoaded())
        m_suggestions->visited(HistoryList.last());
}

bool TForm2::isHistoryLoaded() const
{
    return !m_historyLoad || m_historyLoad->taken();
}

void TForm2::takeHistory(bool quiet)
{
    std::optional<persistence::HistoryLoad::Result> read = m_historyLoad ? m_historyLoad->take() : std::nullopt;
    if (!read)
        return;
    qCInfo(lcStartup) << "history read";
    if (!read->failed && !HistoryCleared) {
        // The file's entries come first; the empty entry the list began
        // with is the one the read went on with. A history cleared in the
        // meantime stays cleared.
        read->entries.append(HistoryList.sliced(1));
        HistoryList = std::move(read->entries);
    }
    // The index and a history window shown meanwhile get it before an
    // error box lets the user go on: a Go then is a visit after it.
    m_suggestions->build(HistoryList);
    if (m_forms.Form5 && m_forms.Form5->isVisible())
        m_forms.Form5->FormShow();
    if (read->failed) {
        if (quiet)
            qWarning().noquote() << "kestrelon: reading the history failed:" << read->error;
        else
            toolkit::reportError(read->error);
    }
    emit historyLoaded();
}

void TForm2::Button2Click()
{
    m_forms.Form1->WebBrowser1().GoBack();
}

void TForm2::Button4Click()
{
    m_forms.Form1->WebBrowser1().Stop();
}

void TForm2::Button3Click()
{
    m_forms.Form1->WebBrowser1().GoForward();
}

void TForm2::Uppdatera1Click()
{
    m_forms.Form1->WebBrowser1().Refresh();
}

void TForm2::VisaWebbrowsern1Click()
{
    showBrowserWindow();
    m_forms.Form1->setWindowTitle(QString());
}

void TForm2::ndramenylge1Click()
{
    changeMenuState(*this);
}

void TForm2::Avsluta1Click()
{
    requestClose();
}

void TForm2::Avsluta2Click()
{
    requestClose();
}

void TForm2::Tillbaka1Click()
{
    Button2Click();
}

void TForm2::Frammt1Click()
{
    Button3Click();
}

void TForm2::Stop1Click()
{
    Button4Click();
}

void TForm2::Nuvarandesurftid1Click()
{
    showWindow(m_forms.Form4);
}

void TForm2::History1Click()
{
    showWindow(m_forms.Form5);
}

void TForm2::Kllkod1Click()
{
    showWindow(m_forms.Form7);
}

void TForm2::rPOPinstllningar1Click()
{
    showWindow(m_forms.Form13);
}

void TForm2::Webbsidorbeskta1Click()
{
    m_forms.Form3->showPageCounts(TotalPages, SessionPages);
    showWindow(m_forms.Form3);
}

void TForm2::Bokmrken1Click()
{
    showWindow(m_forms.Form9);
}

void TForm2::Hjlp1Click()
{
    platform::shellOpen(QStringLiteral("Readme!.txt"));
}

void TForm2::OmNavigator1Click()
{
    showWindow(m_forms.Form6);
}

void TForm2::RaiseExeption1Click()
{
    throw Exception(error_texts::kArtificialError);
}

void TForm2::Minskainterface1Click()
{
    stepInterfaceMode(*m_forms.Form1, InterfaceMode, ModeStep::Less, ModeVariant::Popup);
}

void TForm2::kainterface2Click()
{
    stepInterfaceMode(*m_forms.Form1, InterfaceMode, ModeStep::More, ModeVariant::Popup);
}

void TForm2::SnabbInterface2Click()
{
    stepInterfaceMode(*m_forms.Form1, InterfaceMode, ModeStep::Less, ModeVariant::MainMenu);
}

void TForm2::kainterface1Click()
{
    stepInterfaceMode(*m_forms.Form1, InterfaceMode, ModeStep::More, ModeVariant::MainMenu);
}

void TForm2::Timer1Timer()
{
    // Seconds into minutes, minutes into hours.
    ++RunSeconds;
    if (RunSeconds == 60) {
        ++RunMinutes;
        RunSeconds = 0;
    }
    if (RunMinutes == 60) {
        ++RunHours;
        RunMinutes = 0;
        RunSeconds = 0;
    }
    // The text, without leading zeros.
    RunTimeText = QStringLiteral("%1 tim. %2 min. %3 sec.").arg(RunHours).arg(RunMinutes).arg(RunSeconds);
    // The running-time window, shown or not.
    TForm4 *runtime = m_forms.Form4;
    if (!runtime)
        return;
    runtime->showTimes(RunTimeText, longTimeText(QTime::currentTime()));
}

void TForm2::Image1MouseMove()
{
    // A pressed look whose release never reached its button ends here.
    const struct {
        TPictureButton *button;
        const char *normal;
    } buttons[] = {
        {ui->Button2, skin::kBack.normal},
        {ui->Button4, skin::kStop.normal},
        {ui->Button3, skin::kForward.normal},
        {ui->Button1, skin::kGo.normal},
    };
    for (const auto &b : buttons) {
        if (b.button->showsPressedLook())
            b.button->loadPicture(QLatin1String(b.normal), false);
    }
}

void TForm2::ApplicationEvents1Exception(const QString &message, bool nowhereToGo)
{
    qCInfo(lcMessages).noquote() << "error:" << message;
    // The box: the short one when there was nowhere to go.
    if (nowhereToGo || message == error_texts::kUnspecifiedFailureSwedish)
        toolkit::showMessage(error_texts::kNowhereToGo);
    else
        toolkit::showMessage(error_texts::longMessage(message));
    // The log line, once the box is gone; kept until the window exists.
    if (!m_forms.Form11) {
        m_pendingLog.append(message);
        return;
    }
    flushPendingLog();
    m_forms.Form11->logError(message);
}

void TForm2::flushPendingLog()
{
    if (!m_forms.Form11)
        return;
    const QStringList pending = std::exchange(m_pendingLog, {});
    for (const QString &line : pending)
        m_forms.Form11->logError(line);
}

void TForm2::ApplicationEvents1Idle()
{
    ++IdleCount;
    if (m_forms.Form11)
        m_forms.Form11->showIdleCount(IdleCount);
}

void TForm2::ApplicationEvents1Message()
{
    ++MessageCount;
    if (m_forms.Form11)
        m_forms.Form11->showMessageCount(MessageCount);
}

TGauge &TForm2::Gauge1()
{
    return *ui->Gauge1;
}

void TForm2::gaugechange()
{
    ui->Image3->move(ui->Gauge1->PercentDone() * 4 + 5, ui->Image3->y());
}

QMenu *TForm2::PopupMenu1()
{
    return m_popupMenu;
}

void TForm2::clear()
{
    // The close that follows must not write the old list back: the flag
    // makes the close step leave the emptied file as it is.
    HistoryList.clear();
    toolkit::showMessage(QStringLiteral("Please restart the browser!"));
    HistoryCleared = true;
    persistence::writeClearedHistory();
    requestClose();
}

void TForm2::showDevelopmentWindow()
{
    showWindow(m_forms.Form11);
}
