#include "http/url_encoder.h"

#include <exception>

namespace {

bool keptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

QByteArray urlEncode(const QByteArray &input)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    QByteArray result;
    result.reserve(input.size());
    for (const char ch : input) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            result.append(ch);
        } else if (c == ' ') {
            result.append('+');
        } else {
            result.append('%');
            result.append(kHexDigits[c >> 4]);
            result.append(kHexDigits[c & 15]);
        }
    }
    return result;
}

TNMURL::TNMURL(QObject *owner) : QObject(owner) {}

QByteArray TNMURL::EncodedString() const
{
    try {
        return urlEncode(InputString);
    } catch (const std::exception &e) {
        if (OnError)
            OnError(const_cast<TNMURL *>(this), QStringLiteral("Error during encode"),
                    QString::fromUtf8(e.what()));
        return InputString;
    }
}
