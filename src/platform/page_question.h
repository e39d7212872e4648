#pragma once

#include <functional>

class QDialog;
class WebEngine;

namespace platform {

// Shows `dialog` as a question of the page that `engine` shows, and waits
// for the answer. The question belongs to the page, not to the program: the
// page takes no input while it is open, but its window's toolbar and close
// box, the main window and every other window stay usable. The wait ends
// with the user's answer, or as QDialog::Rejected when the page is left
// (any navigation command), when its window is closed or hidden, or when
// the program ends. A page that is not on the screen gets Rejected at once.
//
// `dialog` is taken over (it goes before this returns); `read` runs on it
// after an answer, while it is still there.
int askOnPage(WebEngine &engine, QDialog *dialog, const std::function<void(QDialog &)> &read = {});

} // namespace platform
