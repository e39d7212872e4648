#include "infowindows/me_picture_window.h"
#include "ui_me_picture_window.h"

#include "infowindows/stored_pictures.h"
#include "toolkit/widgets/guard.h"

TForm8::TForm8(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm8>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    move(478, 130);
    toolkit::guarded([this] { ui->Image1->setPixmap(infowindows::storedJpeg(QString::fromLatin1(infowindows::MePicture))); });
}

TForm8::~TForm8() = default;
