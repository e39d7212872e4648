#pragma once

#include "windowset/window_set.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TForm8;
}

// A borderless picture window with a hint and nothing else; only the about
// window's hidden ":]" button shows it.
class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(WindowSet &forms);
    ~TForm8() override;

private:
    WindowSet &m_forms;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm8> ui;
};
