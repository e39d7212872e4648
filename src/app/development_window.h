#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_development_window.h"

// The Development window: the log of errors and the idle and message counts.
// Reached from no menu; the running-time window shows it.
class TForm11 : public QWidget {
    Q_OBJECT
public:
    explicit TForm11(WindowSet &forms);

    Ui::TForm11 ui;

    // Appends `line` as a new last line of the error log.
    void logError(const QString &line);

private:
    WindowSet &m_forms;
    int m_loggedLines = 0;
};
