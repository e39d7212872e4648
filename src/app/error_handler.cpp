#include "app/error_handler.h"

namespace error_texts {

QString longMessage(const QString &errorText)
{
    return QStringLiteral("An exeption was raised!.\r"
                          "Check if all the files are in the rigth place and how the executable is behaving.\r\r"
                          "/Tovander\r\r"
                          "Exception = ")
        + errorText;
}

} // namespace error_texts
