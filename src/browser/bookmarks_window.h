#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_bookmarks_window.h"

class TForm9 : public QWidget {
    Q_OBJECT
public:
    explicit TForm9(WindowSet &forms);

    Ui::TForm9 ui;

private:
    WindowSet &m_forms;
};
