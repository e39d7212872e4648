#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_studio_picture_window.h"

class TForm10 : public QWidget {
    Q_OBJECT
public:
    explicit TForm10(WindowSet &forms);

    Ui::TForm10 ui;

private:
    WindowSet &m_forms;
};
