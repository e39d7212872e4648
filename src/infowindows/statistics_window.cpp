#include "infowindows/statistics_window.h"

TForm3::TForm3(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
}
