#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_page_source_window.h"

class TForm7 : public QWidget {
    Q_OBJECT
public:
    explicit TForm7(WindowSet &forms);

    Ui::TForm7 ui;

private:
    WindowSet &m_forms;
};
