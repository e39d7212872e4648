#pragma once

#include "browser/window_set.h"

#include <QString>
#include <QWidget>

#include "ui_studio_picture_window.h"

// A borderless picture window; its picture links to the design studio's
// home page, and a click on it is the only way to hide it.
class TForm10 : public QWidget {
    Q_OBJECT
public:
    explicit TForm10(WindowSet &forms);

    Ui::TForm10 ui;

    // The address the picture opens.
    static QString studioAddress();

    void Image1Click();

private:
    WindowSet &m_forms;
};
