#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_runtime_window.h"

class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(WindowSet &forms);

    Ui::TForm4 ui;

private:
    WindowSet &m_forms;
};
