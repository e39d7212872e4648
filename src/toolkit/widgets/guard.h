#pragma once

// Toolkit widgets: the handler guard (this file, start here: it is how every
// handler reaches the program's one error handler), message boxes, pictures,
// key strokes and the custom controls the windows are built from.

#include "toolkit/core/error_report.h"
#include "toolkit/core/exceptions.h"

#include <QString>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

// No exception may cross Qt's event loop. Every handler connected to a
// signal or called from an event runs inside guarded(): an error that leaves
// it goes to the one application-wide error handler and the handler stays
// abandoned at the failing step.
namespace toolkit {

// Hands `message` to the program's error handler (toolkit/core/error_report.h);
// without one, the text is shown in a message box.
void reportError(const QString &message);

template <class F>
void guarded(F &&handler) noexcept
{
    try {
        std::forward<F>(handler)();
    } catch (const EAbort &) {
        // The silent kind: abandoned without a message.
    } catch (const Exception &e) {
        reportError(e.message());
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
    }
}

// Wraps a slot so that it runs guarded: connect(b, &X::clicked, guard([this] { ... })).
// Like Qt's own connections, the handler may take fewer arguments than the
// signal carries (a handler without arguments for QTimer::timeout, say).
template <class F>
auto guard(F handler)
{
    return [handler = std::move(handler)](auto &&...args) mutable {
        guarded([&] {
            if constexpr (std::is_invocable_v<F &, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    };
}

} // namespace toolkit
