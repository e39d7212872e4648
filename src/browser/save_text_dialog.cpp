#include "browser/save_text_dialog.h"

TForm12::TForm12(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}
