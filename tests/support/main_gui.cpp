#include "platform/engine_environment.h"
#include "support/gui/system_filter_lists.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // The web engine reads its switches once, before the application exists.
    platform::prepareWebEngineEnvironment();
    testing_support::leaveOutSystemFilterLists();
    // Window tests run offscreen unless told otherwise (e.g. under Xvfb).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
