#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_development_window.h"

class TForm11 : public QWidget {
    Q_OBJECT
public:
    explicit TForm11(WindowSet &forms);

    Ui::TForm11 ui;

private:
    WindowSet &m_forms;
};
