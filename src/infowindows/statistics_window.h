#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_statistics_window.h"

// The statistics window: the pages visited in this run (AntalLabel) and in
// all runs (TotLabel). The main window's statistics command fills both and
// shows the window; an open window is not refreshed by later visits.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(WindowSet &forms);

    Ui::TForm3 ui;

    void Button2Click();

private:
    WindowSet &m_forms;
};
