// Information windows: what the main window keeps about the run, shown in
// small windows (history, statistics, running time), and the about window
// with its two picture windows. Start with history_window.h; every window
// here reads and changes the main window's state through MainWindowLink.
#pragma once

#include "windowset/window_set.h"
#include "toolkit/widgets/key_strokes.h"

#include <QWidget>
#include <memory>

class HistoryModel;

namespace Ui {
class TForm5;
}

// The history window: the visited addresses, oldest first, and "Clear".
// The list is a snapshot taken each time the window becomes visible; the
// filter box below it narrows the list to the lines holding its words.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(WindowSet &forms);
    ~TForm5() override;

    void FormShow();
    void Button1Click();
    void FormResize();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens an entry through Go, as a bookmark does.
    void openEntry(const QModelIndex &index);

    WindowSet &m_forms;
    HistoryModel *m_model = nullptr;
    toolkit::KeyStrokes m_listKeys;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm5> ui;
};
