#include "infowindows/about_window.h"
#include "ui_about_window.h"

#include "browser/browser_window.h"
#include "windowset/main_window_link.h"
#include "infowindows/fit_text.h"
#include "infowindows/me_picture_window.h"
#include "infowindows/stored_pictures.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/core/paths.h"
#include "toolkit/widgets/guard.h"

#include <QDir>
#include <QPalette>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr int ClientWidth = 354;
constexpr int ClientHeight = 164;
// Heights the sequence gives the window: the tall one shows the ":]" button
// (its top is at 224), the other is what the button leaves.
constexpr int RevealedHeight = 256;
constexpr int AfterButtonHeight = 179;

// The pressed look: one pixel right and down while the left button is held.
void pressedLook(QLabel *label, Qt::MouseButton button, int step)
{
    if (button == Qt::LeftButton)
        label->move(label->x() + step, label->y() + step);
}

} // namespace

TForm6::TForm6(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm6>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setClientHeight(ClientHeight);
    move(386, 130);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    m_installationFolder = toolkit::CurrentFolder::path();

    // Below the client area the ":]" button is out of sight; it must not be
    // reached with the keyboard either until the window shows it.
    ui->Button1->setFocusPolicy(Qt::NoFocus);
    infowindows::fitToWidth(ui->Label1);
    infowindows::fitToWidth(ui->Label2);
    infowindows::fitToWidth(ui->Label5);

    toolkit::guarded([this] { ui->Image1->setPixmap(infowindows::storedJpeg(QString::fromLatin1(infowindows::AboutPicture))); });

    using toolkit::guard;
    connect(ui->Label1, &TEventLabel::clicked, this, guard([this] { Label1Click(); }));
    connect(ui->Label1, &TEventLabel::doubleClicked, this, guard([this] { Label1DblClick(); }));
    connect(ui->Label1, &TEventLabel::mouseDown, this,
            guard([this](Qt::MouseButton b, QPoint p) { Label1MouseDown(b, p); }));
    connect(ui->Label1, &TEventLabel::mouseUp, this,
            guard([this](Qt::MouseButton b, QPoint p) { Label1MouseUp(b, p); }));
    connect(ui->Label5, &TEventLabel::clicked, this, guard([this] { Label5Click(); }));
    connect(ui->Label5, &TEventLabel::mouseDown, this,
            guard([this](Qt::MouseButton b, QPoint p) { Label5MouseDown(b, p); }));
    connect(ui->Label5, &TEventLabel::mouseUp, this,
            guard([this](Qt::MouseButton b, QPoint p) { Label5MouseUp(b, p); }));
    connect(ui->Label3, &TEventLabel::doubleClicked, this, guard([this] { Label3DblClick(); }));
    connect(ui->Label2, &TEventLabel::doubleClicked, this, guard([this] { Label2DblClick(); }));
    connect(ui->Image1, &TEventLabel::doubleClicked, this, guard([this] { Image1DblClick(); }));
    connect(ui->Button1, &QPushButton::clicked, this, guard([this](bool) { Button1Click(); }));
}

TForm6::~TForm6() = default;

// The product's home page is its read-me file in the installation folder,
// so the link works without any network.
QString TForm6::homePageAddress() const
{
    return QUrl::fromLocalFile(QDir(m_installationFolder).filePath(QStringLiteral("Readme!.txt")))
        .toString(QUrl::FullyEncoded);
}

// The mail link is the address the label shows.
QString TForm6::mailAddress() const
{
    return QStringLiteral("mailto:") + ui->Label5->text();
}

void TForm6::setClientHeight(int height)
{
    setFixedSize(ClientWidth, height);
}

void TForm6::Label1Click()
{
    m_forms.Form2->setAddressText(homePageAddress());
    m_forms.Form2->Button1Click();
}

void TForm6::Label5Click()
{
    m_forms.Form2->setAddressText(mailAddress());
    m_forms.Form2->Button1Click();
    // Go showed the browser window for an address it cannot show; a failing
    // Go never gets here and leaves it shown.
    m_forms.Form1->hide();
}

void TForm6::Label1MouseDown(Qt::MouseButton button, QPoint)
{
    pressedLook(ui->Label1, button, +1);
}

void TForm6::Label1MouseUp(Qt::MouseButton button, QPoint)
{
    pressedLook(ui->Label1, button, -1);
}

void TForm6::Label5MouseDown(Qt::MouseButton button, QPoint)
{
    pressedLook(ui->Label5, button, +1);
}

void TForm6::Label5MouseUp(Qt::MouseButton button, QPoint)
{
    pressedLook(ui->Label5, button, -1);
}

void TForm6::Label3DblClick()
{
    FirstStep = true;
    SecondStep = false;
    ThirdStep = false;
}

void TForm6::Label2DblClick()
{
    SecondStep = true;
    ThirdStep = false;
}

void TForm6::Label4DblClick()
{
    ThirdStep = true;
}

void TForm6::Label1DblClick()
{
    if (FirstStep && SecondStep && ThirdStep) {
        // The steps stay set: the picture can still be double-clicked.
        throw Exception(QStringLiteral("HA HA HA! Detta är ett konstgjort fel! men vad bryr jag mig om det?") +
                        QChar(13) +
                        QStringLiteral("Jag hade bara jävlig kul när jag gjorde det... Ha´ det så bra! vi ses är ute! :)"));
    }
    FirstStep = SecondStep = ThirdStep = false;
}

void TForm6::Image1DblClick()
{
    if (!(FirstStep && SecondStep && ThirdStep))
        return;
    FirstStep = SecondStep = ThirdStep = false;
    setClientHeight(RevealedHeight);
    ui->Button1->setFocusPolicy(Qt::StrongFocus);
}

void TForm6::Button1Click()
{
    setClientHeight(AfterButtonHeight);
    m_forms.Form8->show();
    m_forms.Form8->raise();
}
