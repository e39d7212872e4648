// The app tests run under the program's own application object, so that
// they see its event counting and its guard around event delivery.
#include "app/application.h"
#include "platform/engine_environment.h"
#include "support/gui/system_filter_lists.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    platform::prepareWebEngineEnvironment();
    testing_support::leaveOutSystemFilterLists();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KestrelonApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
