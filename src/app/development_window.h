#pragma once

#include "windowset/window_set.h"

#include <QWidget>
#include <memory>
#include <optional>

namespace Ui {
class TForm11;
}

// The Development window: the log of errors and the idle and message counts.
// Reached from no menu; the running-time window shows it.
class TForm11 : public QWidget {
    Q_OBJECT
public:
    explicit TForm11(WindowSet &forms);
    ~TForm11() override;

    // Appends `line` as a new last line of the error log.
    void logError(const QString &line);
    // The idle and message counts the main window keeps. They come with
    // every message; a hidden window takes them in when it is shown.
    void showIdleCount(qint64 count);
    void showMessageCount(qint64 count);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::optional<qint64> m_idleCount;
    std::optional<qint64> m_messageCount;
    WindowSet &m_forms;
    int m_loggedLines = 0;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm11> ui;
};
