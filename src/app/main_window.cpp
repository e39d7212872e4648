#include "app/main_window.h"

#include "app/interface_modes.h"
#include "app/development_window.h"
#include "app/persistence/persistence.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/convert.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QShowEvent>

// Start-up milestones, off by default; benchmarks and tests turn them on
// with QT_LOGGING_RULES="kestrelon.startup.info=true".
Q_LOGGING_CATEGORY(lcStartup, "kestrelon.startup", QtWarningMsg)

TForm2::TForm2(WindowSet &forms) : QMainWindow(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    move(308, 149);
    m_popupMenu = new QMenu(this);
    // The start-up handler runs inside the toolkit's guard: an error is shown
    // and start-up goes on with what was not read at its initial value.
    toolkit::guarded([this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::FormCreate()
{
    // 1-2. Initial values; the history holds one empty entry.
    InterfaceMode = 0;
    TotalPages = 0;
    SessionPages = 0;
    RunHours = RunMinutes = RunSeconds = 0;
    IdleCount = MessageCount = 0;
    HistoryList = {QByteArray()};

    // 3-5. The counter, the history and the three setting bytes.
    TotalPages = persistence::readTotalPages();
    persistence::readHistory(HistoryList);
    const persistence::SettingBytes settings = persistence::readSettingBytes();
    ShowBrowserAtStart = settings.showBrowserAtStart;
    InterfaceMode = toolkit::strToInt(toolkit::fromSingleByte(QByteArray(1, settings.interfaceMode)));

    // 6. Menu state '1': no menu bar; the client area keeps its 440 x 92.
    if (settings.menuState == '1')
        detachMainMenu(*this);

    // 7. The five skin bitmaps.
    ui.Image1->loadPicture(QStringLiteral("imgs\\bgimg.bmp"), false);
    ui.Button2->loadPicture(QStringLiteral("imgs\\rew-but.bmp"), false);
    ui.Button4->loadPicture(QStringLiteral("imgs\\s-but.bmp"), false);
    ui.Button3->loadPicture(QStringLiteral("imgs\\f-but.bmp"), false);
    ui.Button1->loadPicture(QStringLiteral("imgs\\go-but.bmp"), false);
}

void TForm2::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Restoring from the task bar is no new show.
    if (event->spontaneous() || m_shownOnce)
        return;
    m_shownOnce = true;
    toolkit::guarded([this] { FormShow(); });
    qCInfo(lcStartup) << "main window shown";
}

void TForm2::FormShow()
{
    // 1. The interface mode onto the browser window's toolbars.
    if (!applyStartupMode(*m_forms.Form1, InterfaceMode))
        toolkit::showMessage(QStringLiteral("Invalid parameter in Kestrelon.cfg: %1").arg(InterfaceMode));
    // 2. The browser window, when the settings ask for it.
    if (ShowBrowserAtStart == '1')
        m_forms.Form1->show();
}

void TForm2::FormCloseQuery()
{
    // 1. ModeChar: the first character of the mode's decimal text.
    const char modeChar = QByteArray::number(InterfaceMode).at(0);

    // 2. Hide eight windows; the other four go away with the process.
    const QList<QWidget *> toHide = windowsHiddenAtClose(m_forms);
    for (QWidget *window : toHide) {
        if (window)
            window->hide();
    }

    // 3. The files.
    persistence::saveAtClose(persistence::CloseState{TotalPages, HistoryCleared, &HistoryList, modeChar,
                                                     ShowBrowserAtStart});
}

bool TForm2::runCloseQuery()
{
    try {
        FormCloseQuery();
        return true;
    } catch (const persistence::ETemplateError &e) {
        // A missing or empty template must not trap the user: tell, then end.
        toolkit::reportError(e.message());
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
    if (!runCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::exit(0);
}

bool TForm2::requestClose()
{
    return close();
}

void TForm2::endSession()
{
    // Nobody may be there to dismiss a box while the session ends: a failed
    // save is told on standard error, and the process ends regardless.
    try {
        FormCloseQuery();
    } catch (const Exception &e) {
        qWarning().noquote() << "kestrelon: saving at the end of the session failed:" << e.message();
    } catch (const std::exception &e) {
        qWarning().noquote() << "kestrelon: saving at the end of the session failed:" << e.what();
    }
    QCoreApplication::exit(0);
}

QString TForm2::addressText() const
{
    return ui.Edit1->text();
}

void TForm2::setAddressText(const QString &text)
{
    ui.Edit1->setText(text);
}

void TForm2::Button1Click()
{
    // 1. Show the browser window.
    m_forms.Form1->show();
    m_forms.Form1->raise();
    // 2. Navigate to the address box text, unchanged. A failure stops here.
    m_forms.Form1->WebBrowser1().Navigate(toolkit::fromSingleByte(toolkit::toSingleByte(ui.Edit1->text())));
    // 3. Count it.
    ++TotalPages;
    ++SessionPages;
    // 4. Record the address box text, read again.
    HistoryList.append(toolkit::toSingleByte(ui.Edit1->text()));
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

TGauge &TForm2::Gauge1()
{
    return *ui.Gauge1;
}

void TForm2::gaugechange()
{
    ui.Image3->move(ui.Gauge1->PercentDone() * 4 + 5, ui.Image3->y());
}

QMenu *TForm2::PopupMenu1()
{
    return m_popupMenu;
}

void TForm2::history(QListWidget *listBox)
{
    for (const QByteArray &entry : std::as_const(HistoryList)) {
        if (!entry.isEmpty())
            listBox->addItem(toolkit::fromSingleByte(entry));
    }
}

void TForm2::clear()
{
    // 1. Empty the list; 2. tell the user; 3. remember; 4. the file; 5. close.
    HistoryList.clear();
    toolkit::showMessage(QStringLiteral("Please restart the browser!"));
    HistoryCleared = true;
    persistence::writeClearedHistory();
    requestClose();
}

void TForm2::showDevelopmentWindow()
{
    m_forms.Form11->show();
    m_forms.Form11->raise();
}
