#pragma once

#include "platform/web_engine.h"

#include <QWidget>

#include <memory>

// A page's script popup: a small window of its own with its own page view,
// captioned with the popup's title. It goes when the page closes it or the
// user does.
class PopupWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopupWindow(std::unique_ptr<WebEngine> engine);
    ~PopupWindow() override;

    WebEngine &engine() { return *m_engine; }

private:
    std::unique_ptr<WebEngine> m_engine;
};
