#include "app/development_window.h"
#include "ui_development_window.h"

TForm11::TForm11(WindowSet &forms) : QWidget(nullptr), m_forms(forms), ui(std::make_unique<Ui::TForm11>())
{
    ui->setupUi(this);
    // The form's stored position is the frame's; uic applies only its size.
    move(227, 103);
}

TForm11::~TForm11() = default;

void TForm11::logError(const QString &line)
{
    // The first line goes into the empty first block, so an empty message is
    // one empty line, not none.
    if (m_loggedLines++ == 0)
        ui->Memo1->setPlainText(line);
    else
        ui->Memo1->appendPlainText(line);
}

void TForm11::showIdleCount(qint64 count)
{
    m_idleCount = count;
    if (isVisible())
        ui->Memo2->setPlainText(QString::number(count));
}

void TForm11::showMessageCount(qint64 count)
{
    // Laying out the memo's text costs more than the message it counts: a
    // hidden window takes the count in when it is shown.
    m_messageCount = count;
    if (isVisible())
        ui->Memo3->setPlainText(QString::number(count));
}

void TForm11::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_idleCount)
        ui->Memo2->setPlainText(QString::number(*m_idleCount));
    if (m_messageCount)
        ui->Memo3->setPlainText(QString::number(*m_messageCount));
}
