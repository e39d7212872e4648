#pragma once

#include <QByteArray>
#include <QString>

namespace toolkit {

// Text to a 32-bit integer: optional blanks and sign, then decimal digits or
// a '$' hex number. Anything
// else throws EConvertError "'%s' is not a valid integer value".
int strToInt(const QString &text);

} // namespace toolkit
