#include "infowindows/runtime_window.h"

TForm4::TForm4(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
}
