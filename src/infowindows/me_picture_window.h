#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_me_picture_window.h"

class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(WindowSet &forms);

    Ui::TForm8 ui;

private:
    WindowSet &m_forms;
};
