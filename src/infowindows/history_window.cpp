#include "infowindows/history_window.h"

TForm5::TForm5(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
}
