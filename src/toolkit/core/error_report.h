#pragma once

#include <QString>

#include <exception>
#include <functional>

// The program's one error handler. Every layer hands the errors it cannot
// let go further to it: the widget guard (errors of signal and event
// handlers) and the socket layer's hidden windows (errors of timer and
// notice handlers). Without a handler, each layer falls back on its own
// plain report: a message box in the windows, a warning in the socket layer.
namespace toolkit {

using ErrorHandler = std::function<void(const QString &message)>;

void setErrorHandler(ErrorHandler handler);

// Hands `message` to the installed handler; false when there is none.
// What the handler throws reaches the caller, which reports it plainly.
bool deliverError(const QString &message);

// The user's text of an exception: our own exceptions' message, otherwise
// what() in the local eight-bit encoding.
QString exceptionText(const std::exception &error);

} // namespace toolkit
