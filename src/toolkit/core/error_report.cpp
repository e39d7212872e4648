#include "toolkit/core/error_report.h"

#include "toolkit/core/exceptions.h"

namespace toolkit {
namespace {
ErrorHandler &installed()
{
    static ErrorHandler handler;
    return handler;
}
} // namespace

void setErrorHandler(ErrorHandler handler)
{
    installed() = std::move(handler);
}

bool deliverError(const QString &message)
{
    // A copy: the handler may install another one while it runs.
    const ErrorHandler handler = installed();
    if (!handler)
        return false;
    handler(message);
    return true;
}

QString exceptionText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

} // namespace toolkit
