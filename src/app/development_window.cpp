#include "app/development_window.h"

TForm11::TForm11(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    // The form's stored position is the frame's; uic applies only its size.
    move(227, 103);
}

void TForm11::logError(const QString &line)
{
    // The first line goes into the empty first block, so an empty message is
    // one empty line, not none.
    if (m_loggedLines++ == 0)
        ui.Memo1->setPlainText(line);
    else
        ui.Memo1->appendPlainText(line);
}
