#pragma once

#include <QString>

#include <functional>

namespace testing_support {

// The message of the program's exception that `operation` throws: "" when it
// throws none, "<silent>" for one without a message (a silent abort).
QString errorOf(const std::function<void()> &operation);

} // namespace testing_support
