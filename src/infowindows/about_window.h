#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_about_window.h"

class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(WindowSet &forms);

    Ui::TForm6 ui;

private:
    WindowSet &m_forms;
};
