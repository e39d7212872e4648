#include "infowindows/runtime_window.h"
#include "ui_runtime_window.h"

#include "browser/browser_window.h"
#include "windowset/main_window_link.h"
#include "browser/text_pane.h"
#include "infowindows/fit_text.h"
#include "infowindows/studio_picture_window.h"
#include "toolkit/widgets/guard.h"

#include <QPushButton>
#include <QShowEvent>

namespace {

struct PaneTrigger {
    const char *paneText;
    const char *caption;
};

// In the order they are tested: at a show the later match wins the caption.
constexpr PaneTrigger PictureTrigger{"Karvell", ":o]"};
constexpr PaneTrigger DevelopmentTrigger{"tovander is typing", "Open form11"};

} // namespace

TForm4::TForm4(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm4>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    move(364, 213);
    infowindows::fitToWidth(ui->Label1);
    // The clock's text grows with the hours; room for three digits.
    infowindows::fitToWidth(ui->tidlabel, QStringLiteral("100 tim. 59 min. 59 sec."));
    connect(ui->Button1, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button1Click(); }));
}

TForm4::~TForm4() = default;

void TForm4::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    toolkit::guarded([this] { FormShow(); });
}

// The pane's whole text, line breaks included: nothing is trimmed, so a
// trigger text followed by a line break matches nothing. Its bytes, not
// toPlainText(), which turns a no-break space into a blank.
QByteArray TForm4::paneText() const
{
    return m_forms.Form1->paneTextBytes();
}

void TForm4::FormShow()
{
    // The caption is never set back: it keeps the last trigger seen.
    if (paneText() == QByteArrayView(PictureTrigger.paneText))
        ui->Button1->setText(QLatin1String(PictureTrigger.caption));
    if (paneText() == QByteArrayView(DevelopmentTrigger.paneText))
        ui->Button1->setText(QLatin1String(DevelopmentTrigger.caption));
}

void TForm4::Button1Click()
{
    // Decided by the pane's text now, not by the caption.
    close();
    if (paneText() == QByteArrayView(PictureTrigger.paneText)) {
        m_forms.Form10->show();
        m_forms.Form10->raise();
    }
    if (paneText() == QByteArrayView(DevelopmentTrigger.paneText))
        m_forms.Form2->showDevelopmentWindow();
}

void TForm4::showTimes(const QString &runTime, const QString &timeOfDay)
{
    ui->tidlabel->setText(runTime);
    ui->Label3->setText(timeOfDay);
}
