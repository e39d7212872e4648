#pragma once

#include "windowset/window_set.h"

#include <QPoint>
#include <QString>
#include <QWidget>
#include <memory>

class QLabel;

namespace Ui {
class TForm6;
}

// The about window. The product name and the mail address are links: they
// put an address into the main window's address box and run its Go, so the
// visit is counted and recorded like a typed one. Both labels look pressed
// while the left button is held on them.
//
// A double-click sequence of three steps guards a hidden error and a taller
// window with the ":]" button. No control raises the third step
// (Label4DblClick), so as the window stands the sequence never completes.
class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(WindowSet &forms);
    ~TForm6() override;

    // The link addresses.
    QString homePageAddress() const;
    QString mailAddress() const;

    void Label1Click();
    void Label5Click();
    void Label1MouseDown(Qt::MouseButton button, QPoint pos);
    void Label1MouseUp(Qt::MouseButton button, QPoint pos);
    void Label5MouseDown(Qt::MouseButton button, QPoint pos);
    void Label5MouseUp(Qt::MouseButton button, QPoint pos);

    void Label3DblClick();
    void Label2DblClick();
    void Label4DblClick();
    void Label1DblClick();
    void Image1DblClick();
    void Button1Click();

    // The sequence's three steps, all false at start.
    bool FirstStep = false;
    bool SecondStep = false;
    bool ThirdStep = false;

private:
    void setClientHeight(int height);

    WindowSet &m_forms;
    // The folder the program was started in, which holds the read-me file;
    // the current folder moves while the bookmarks window is shown.
    QString m_installationFolder;

    // The window's controls: only its own code touches them.
    friend struct WindowParts;
    std::unique_ptr<Ui::TForm6> ui;
};
