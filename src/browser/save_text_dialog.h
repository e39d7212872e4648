#pragma once

#include "windowset/window_set.h"

#include "toolkit/widgets/key_strokes.h"

#include <QWidget>
#include <memory>

namespace Ui {
class TForm12;
}

// "Name of file": asks for the name under which the browser window's text
// pane is saved, its lines each ending CR LF.
class TForm12 : public QWidget {
    Q_OBJECT
public:
    explicit TForm12(WindowSet &forms);
    ~TForm12() override;

    void Button1Click();
    // Enter released in the name field saves, as "OK!" does, when it was
    // pressed there too.
    void Edit1KeyUp(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowSet &m_forms;
    toolkit::KeyStrokes m_keys; // of the name field

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm12> ui;
};
