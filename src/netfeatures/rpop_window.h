#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_rpop_window.h"

class TForm13 : public QWidget {
    Q_OBJECT
public:
    explicit TForm13(WindowSet &forms);

    Ui::TForm13 ui;

private:
    WindowSet &m_forms;
};
