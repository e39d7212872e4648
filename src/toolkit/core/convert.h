#pragma once

#include <QByteArray>
#include <QString>

namespace toolkit {

// Decimal text to a 32-bit integer, as the run-time library converts it:
// optional blanks and sign, decimal digits or a '$' hex number. Anything
// else throws EConvertError "'%s' is not a valid integer value".
int strToInt(const QString &text);

} // namespace toolkit
