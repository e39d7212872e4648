#pragma once

// The windows' controls, for tests that look at them or act on them as a
// user would: ui(window).Edit1. The windows keep their controls private and
// name this as their one friend.

#include "ui_about_window.h"
#include "ui_bookmarks_window.h"
#include "ui_browser_window.h"
#include "ui_development_window.h"
#include "ui_history_window.h"
#include "ui_main_window.h"
#include "ui_me_picture_window.h"
#include "ui_page_source_window.h"
#include "ui_rpop_window.h"
#include "ui_runtime_window.h"
#include "ui_save_text_dialog.h"
#include "ui_statistics_window.h"
#include "ui_studio_picture_window.h"

struct WindowParts {
    template <class Window>
    static auto &of(Window &window)
    {
        return *window.ui;
    }
};

template <class Window>
auto &ui(Window &window)
{
    return WindowParts::of(window);
}
