#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_me_picture_window.h"

// A borderless picture window with a hint and nothing else; only the about
// window's hidden ":]" button shows it.
class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(WindowSet &forms);

    Ui::TForm8 ui;

private:
    WindowSet &m_forms;
};
