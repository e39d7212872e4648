#include "infowindows/statistics_window.h"
#include "ui_statistics_window.h"

#include "infowindows/fit_text.h"
#include "toolkit/widgets/guard.h"

#include <QPushButton>

TForm3::TForm3(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm3>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    move(365, 229);
    infowindows::fitToWidth(ui->Label1);
    infowindows::fitToWidth(ui->Label2);
    connect(ui->Button2, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button2Click(); }));
}

TForm3::~TForm3() = default;

void TForm3::Button2Click()
{
    close();
}

void TForm3::showPageCounts(qint64 total, qint64 session)
{
    ui->TotLabel->setText(QString::number(total));
    ui->AntalLabel->setText(QString::number(session));
}
