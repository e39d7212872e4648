#include "sock_errors.h"

void throwRangeError()
{
    throw ERangeError(QStringLiteral("Range check error"));
}
