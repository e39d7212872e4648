#pragma once

#include "windowset/window_set.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TForm3;
}

// The statistics window: the pages visited in this run (AntalLabel) and in
// all runs (TotLabel). The main window's statistics command fills both and
// shows the window; an open window is not refreshed by later visits.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(WindowSet &forms);
    ~TForm3() override;

    void showPageCounts(qint64 total, qint64 session);
    void Button2Click();

private:
    WindowSet &m_forms;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm3> ui;
};
