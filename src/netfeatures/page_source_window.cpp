#include "netfeatures/page_source_window.h"

TForm7::TForm7(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}
