#include "app/development_window.h"

TForm11::TForm11(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
}
