#include "app/error_handler.h"

#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

void installErrorHandler(TForm2 &)
{
    toolkit::setErrorHandler([](const QString &message) { toolkit::showMessage(message); });
}
