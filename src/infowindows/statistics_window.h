#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_statistics_window.h"

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(WindowSet &forms);

    Ui::TForm3 ui;

private:
    WindowSet &m_forms;
};
