#pragma once

#include <QByteArray>
#include <QString>

// The program's single-byte code page is Windows-1252. Files and stored text
// are bytes in it; wide text (typed, or from the web engine) is converted at
// the edges. Characters the code page cannot hold become '?'.
namespace toolkit {

QByteArray toSingleByte(const QString &text);
QString fromSingleByte(const QByteArray &bytes);

// One byte to its character and back; toSingleByteChar gives '?' when unmappable.
QChar singleByteToChar(unsigned char byte);
char charToSingleByte(QChar ch);

} // namespace toolkit
