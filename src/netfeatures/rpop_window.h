#pragma once

#include "windowset/window_set.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TForm13;
}

// "rPOP settings": joins server, user name, password, action and message
// into one address and has the main window open it as if it were typed.
// The boxes are its only state.
class TForm13 : public QWidget {
    Q_OBJECT
public:
    explicit TForm13(WindowSet &forms);
    ~TForm13() override;

    // The address Send opens, built from the boxes as they are.
    QString requestAddress() const;

    void Button1Click();
    void SpeedButton1Click();

private:
    WindowSet &m_forms;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm13> ui;
};
