#pragma once

#include "browser/window_set.h"

#include <QWidget>

#include "ui_save_text_dialog.h"

class TForm12 : public QWidget {
    Q_OBJECT
public:
    explicit TForm12(WindowSet &forms);

    Ui::TForm12 ui;

private:
    WindowSet &m_forms;
};
