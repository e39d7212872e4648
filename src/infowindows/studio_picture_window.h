#pragma once

#include "windowset/window_set.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm10;
}

// A borderless picture window; its picture links to the design studio's
// home page, and a click on it is the only way to hide it.
class TForm10 : public QWidget {
    Q_OBJECT
public:
    explicit TForm10(WindowSet &forms);
    ~TForm10() override;

    // The address the picture opens.
    static QString studioAddress();

    void Image1Click();

private:
    WindowSet &m_forms;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm10> ui;
};
