#include "support/gui/system_filter_lists.h"

#include "contentfilter/filter_lists.h"

#include <QtGlobal>

namespace testing_support {

void leaveOutSystemFilterLists()
{
    // A folder named by whoever runs the tests is theirs to choose.
    if (!qEnvironmentVariableIsSet(contentfilter::kSystemListsVariable))
        qputenv(contentfilter::kSystemListsVariable, QByteArray());
}

void useSystemFilterLists()
{
    qunsetenv(contentfilter::kSystemListsVariable);
}

} // namespace testing_support
