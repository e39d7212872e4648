#pragma once

#include <QString>

// The texts of the program's one error handler (the main window's
// ApplicationEvents1Exception shows them).
namespace error_texts {

// How a Swedish-language platform words its unspecified failure.
inline const QString kUnspecifiedFailureSwedish = QStringLiteral("Odefinierat fel");
inline const QString kNowhereToGo = QStringLiteral("No webpage to go to!");
// The test error of the hidden "Raise Exeption!" command.
inline const QString kArtificialError = QStringLiteral("Konstgjord exeption!");

// The long message for every other error. Its line breaks are single
// carriage returns; the message box shows them as line breaks.
QString longMessage(const QString &errorText);

} // namespace error_texts
