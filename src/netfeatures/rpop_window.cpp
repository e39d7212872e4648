#include "netfeatures/rpop_window.h"

TForm13::TForm13(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}
