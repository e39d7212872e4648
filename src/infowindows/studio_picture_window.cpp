#include "infowindows/studio_picture_window.h"
#include "ui_studio_picture_window.h"

#include "windowset/main_window_link.h"
#include "infowindows/stored_pictures.h"
#include "toolkit/widgets/guard.h"

TForm10::TForm10(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm10>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    move(425, 171);
    toolkit::guarded([this] { ui->Image1->setPixmap(infowindows::storedBitmap(QString::fromLatin1(infowindows::StudioPicture))); });
    connect(ui->Image1, &TEventLabel::clicked, this, toolkit::guard([this] { Image1Click(); }));
}

TForm10::~TForm10() = default;

QString TForm10::studioAddress()
{
    // The studio's pages are served by the machine itself.
    return QStringLiteral("http://localhost/kestrelon/studio/");
}

void TForm10::Image1Click()
{
    m_forms.Form2->setAddressText(studioAddress());
    // A failing Go leaves the window shown.
    m_forms.Form2->Button1Click();
    close();
}
