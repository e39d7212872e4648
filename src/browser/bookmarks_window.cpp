#include "browser/bookmarks_window.h"

TForm9::TForm9(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}
