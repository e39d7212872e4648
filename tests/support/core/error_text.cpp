#include "support/core/error_text.h"

#include "toolkit/core/exceptions.h"

namespace testing_support {

QString errorOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const Exception &e) {
        return e.message().isEmpty() ? QStringLiteral("<silent>") : e.message();
    }
    return QString();
}

} // namespace testing_support
