#pragma once

#include "app/main_window.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "support/core/page_server.h"
#include "support/core/scripted_server.h"
#include "support/gui/installation.h"
#include "support/gui/program_windows.h"
#include "toolkit/widgets/message_box.h"

#include <QHash>
#include <QMutex>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pane_testing {

using testing_support::errorShown;
using testing_support::PageServer;
using testing_support::waitFor;

// The program's windows as start-up leaves them, main window shown; `prepare`
// may change the fresh installation before the windows exist.
class ProgramWindows : public testing_support::ProgramWindows {
public:
    explicit ProgramWindows(const Prepare &prepare = {}) : testing_support::ProgramWindows(Stage::Started, prepare) {}
};

} // namespace pane_testing
