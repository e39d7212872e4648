#pragma once

#include "windowset/window_set.h"

#include <QByteArray>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm4;
}

// The running time window. The main window's clock writes tidlabel and
// Label3 at every tick, shown or not. Two texts of the browser window's text
// pane, matched whole and exactly, change the button's caption at show and
// make the button open another window.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(WindowSet &forms);
    ~TForm4() override;

    // The clock's tick: the running time and the time of day.
    void showTimes(const QString &runTime, const QString &timeOfDay);
    void FormShow();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QByteArray paneText() const;

    WindowSet &m_forms;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm4> ui;
};
