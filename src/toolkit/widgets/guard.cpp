#include "toolkit/widgets/guard.h"

#include "toolkit/widgets/message_box.h"

namespace toolkit {

void reportError(const QString &message)
{
    // Errors raised while a box is open (its loop runs other handlers) come
    // here again; each gets its own box, nested, as the event loop allows.
    try {
        if (!deliverError(message))
            showMessage(message);
    } catch (const Exception &e) {
        // The handler itself failed: say so plainly, never throw into Qt.
        try {
            showMessage(e.message());
        } catch (...) {
        }
    } catch (...) {
    }
}

} // namespace toolkit
