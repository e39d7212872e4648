#pragma once

#include "browser/window_set.h"

#include <QByteArray>
#include <QWidget>

#include "ui_runtime_window.h"

// The running time window. The main window's clock writes tidlabel and
// Label3 at every tick, shown or not. Two texts of the browser window's text
// pane, matched whole and exactly, change the button's caption at show and
// make the button open another window.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(WindowSet &forms);

    Ui::TForm4 ui;

    void FormShow();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QByteArray paneText() const;

    WindowSet &m_forms;
};
