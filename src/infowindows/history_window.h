#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_history_window.h"

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(WindowSet &forms);

    Ui::TForm5 ui;

private:
    WindowSet &m_forms;
};
