#include "pagewindows/popup_window.h"

#include <QVBoxLayout>

PopupWindow::PopupWindow(std::unique_ptr<WebEngine> engine) : QWidget(nullptr, Qt::Window), m_engine(std::move(engine))
{
    setObjectName(QStringLiteral("PopupWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    connect(m_engine.get(), &WebEngine::titleChanged, this, [this](const QString &title) { setWindowTitle(title); });
    // Closed from the page's own script: later, not inside the engine's call.
    connect(m_engine.get(), &WebEngine::closeRequested, this, &QWidget::close, Qt::QueuedConnection);
    resize(500, 400);
}

PopupWindow::~PopupWindow()
{
    // The view is the engine's: it leaves the layout before this window goes.
    if (QWidget *view = m_engine->widget())
        view->setParent(nullptr);
}
