#include "netfeatures/page_source_window.h"
#include "ui_page_source_window.h"

#include "browser/browser_window.h"
#include "windowset/main_window_link.h"
#include "http/http_client.h"
#include "socket/sock_errors.h"
#include "toolkit/core/codepage.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/key_strokes.h"
#include "toolkit/widgets/window_style.h"

#include <QHideEvent>
#include <QKeyEvent>

#include <algorithm>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShowEvent>

namespace {

const QString kCaption = QStringLiteral("Get source code of webpage");

// The fetch checks certificates itself; what the user let through for the
// page alone does not carry over to it.
const QString kPageExceptionNote =
    QStringLiteral("\nA certificate accepted with \"Proceed anyway\" in the page is not trusted by this fetch.");

bool isCertificateError(const QString &text)
{
    return text.startsWith(QLatin1String("Certificate "));
}

} // namespace

TForm7::TForm7(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm7>())
{
    ui->setupUi(this);
    toolkit::setFixedSingleBorder(*this);
    setFont(toolkit::formFont());
    // "From:" may run wider in this system's font than in the layout.
    ui->Label1->resize(std::max(ui->Label1->width(), ui->Label1->sizeHint().width()), ui->Label1->height());

    // The component as stored with the window.
    NMHTTP1 = new TNMHTTP(this);
    NMHTTP1->Port = 0;
    NMHTTP1->ReportLevel = 0;
    NMHTTP1->Body = "Default.html";
    NMHTTP1->Header = "Head.txt";
    NMHTTP1->InputFileMode = false;
    NMHTTP1->OutputFileMode = false;
    NMHTTP1->ProxyPort = 0;
    NMHTTP1->Proxy.clear();
    NMHTTP1->TimeOut = 0;
    NMHTTP1->HttpsEnabled = true; // the source of an https page, over TLS
    NMHTTP1->OnInvalidHost = [this](bool &Handled) { NMHTTP1InvalidHost(Handled); };
    NMHTTP1->OnHostResolved = [this](QObject *) { NMHTTP1HostResolved(); };
    NMHTTP1->OnConnectionFailed = [this](QObject *) { NMHTTP1ConnectionFailed(); };
    NMHTTP1->OnPacketRecvd = [this](QObject *) { NMHTTP1PacketRecvd(); };
    NMHTTP1->OnSuccess = [this](CmdType) { NMHTTP1Success(); };
    // Every pass of the request loop (a redirect's included) captures a new
    // body: the pane starts afresh with its first chunk.
    NMHTTP1->OnAboutToSend = [this](QObject *) { m_forms.Form1->startPaneText(); };

    ui->Edit1->installEventFilter(this);
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));

    // A fetch into a window nobody looks at any more stops, rather than
    // bringing it back with its next chunk. (The main window stops it when
    // it closes for good.)
    connect(m_forms.Form1, &TForm1::hidden, this, toolkit::guard([this] { cancelFetch(); }));
}

TForm7::~TForm7() = default;

void TForm7::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Closed by the user before the body came: the same as Escape.
    if (!event->spontaneous() && !m_hidingForBody)
        cancelFetch();
}

void TForm7::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        toolkit::guarded([this] { FormShow(); });
}

bool TForm7::eventFilter(QObject *watched, QEvent *event)
{
    // A held key's repeats do not start the fetch again.
    if (watched == ui->Edit1 && event->type() == QEvent::KeyPress && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        toolkit::guarded([this, key] { Edit1KeyDown(key); });
    }
    return QWidget::eventFilter(watched, event);
}

void TForm7::FormShow()
{
    setWindowTitle(kCaption);
}

void TForm7::Edit1KeyDown(int key)
{
    if (toolkit::isEnterKey(key))
        Button1Click();
}

void TForm7::Button1Click()
{
    // The client runs the whole exchange inside Get while the event loop
    // goes on, so OK can be pressed again meanwhile: one fetch at a time.
    if (m_fetching)
        throw Exception(QStringLiteral("A page source fetch is already running. Wait for it to end, or press "
                                       "Escape to stop it."));
    const QString address = ui->Edit1->text();
    setWindowTitle(QStringLiteral("Fetching source from: ") + address);

    QScopedValueRollback running(m_fetching, true);
    m_cancelled = false;
    m_forms.Form1->startPaneText();
    // The address as typed: no scheme added, nothing trimmed.
    try {
        NMHTTP1->Get(toolkit::toSingleByte(address));
    } catch (const ESockError &e) {
        // Stopped by the user: the pane keeps what arrived, and that is all.
        if (!m_cancelled) {
            if (isCertificateError(e.message()))
                throw ESockError(e.message() + kPageExceptionNote);
            throw;
        }
        setWindowTitle(kCaption);
    }
}

// The client waits without a time-out of its own, so a server that stalls
// or never ends its body would hold the window for good: the user stops a
// fetch with Escape in either window or by closing one of them, and the end
// of the program stops it too. What arrived stays in the pane; a stop is no
// error.
void TForm7::cancelFetch()
{
    if (!m_fetching)
        return;
    m_cancelled = true;
    NMHTTP1->Abort();
}

void TForm7::NMHTTP1HostResolved()
{
    setWindowTitle(QStringLiteral("Host Resolved..."));
}

void TForm7::NMHTTP1InvalidHost(bool &Handled)
{
    Q_UNUSED(Handled); // left false: the fetch ends with the look-up's error
    setWindowTitle(QStringLiteral("Invalid host: ") + ui->Edit1->text());
}

void TForm7::NMHTTP1ConnectionFailed()
{
    setWindowTitle(QStringLiteral("Faild to connect to: ") + ui->Edit1->text());
}

void TForm7::NMHTTP1PacketRecvd()
{
    TForm1 &browser = *m_forms.Form1;
    // The pane holds the body so far, in front of the page; this window
    // steps aside for the browser window showing it.
    browser.showInPane(NMHTTP1->Body);
    {
        QScopedValueRollback hiding(m_hidingForBody, true);
        hide();
    }
    browser.bringPaneForward();
    setWindowTitle(kCaption);
}

void TForm7::NMHTTP1Success()
{
    setWindowTitle(kCaption);
}
