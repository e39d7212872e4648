#include "browser/browser_window.h"

#include <QResizeEvent>
#include <QVBoxLayout>

TForm1::TForm1(WindowSet &forms) : QWidget(nullptr), m_forms(forms)
{
    ui.setupUi(this);
    move(187, 125);
    m_engine = platform::createWebEngine(ui.WebBrowser1);
    auto *layout = new QVBoxLayout(ui.WebBrowser1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    // The text pane lies behind the engine until the page source puts text in it.
    ui.Memo1->lower();
    ui.Memo1->hide();
    layoutPageArea();
}

TForm1::~TForm1() = default;

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPageArea();
}

// The page area fills the client area below the banner when it is shown,
// and the whole client area when it is not.
void TForm1::layoutPageArea()
{
    const int top = ui.Image1->isVisibleTo(this) ? 92 : 0;
    ui.Image1->setGeometry(0, 0, width(), 92);
    const QRect area(0, top, width(), qMax(0, height() - top));
    ui.WebBrowser1->setGeometry(area);
    ui.Memo1->setGeometry(area);
}
