#include "infowindows/statistics_window.h"

#include "toolkit/widgets/guard.h"

#include <QPushButton>

TForm3::TForm3(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    move(365, 229);
    connect(ui.Button2, &QPushButton::clicked, this, toolkit::guard([this](bool) { Button2Click(); }));
}

void TForm3::Button2Click()
{
    close();
}
