// The URL encoder and the base64/uuencode line encoder: every input encodes
// to text of the promised alphabet that decodes back to the input.

#include "fuzz_support.h"

#include "http/url_encoder.h"
#include "http/uu_processor.h"

#include <QBuffer>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case digits are not what the encoder writes
}

QByteArray urlDecode(const QByteArray &text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+') {
            out.append(' ');
        } else if (c == '%') {
            FUZZ_CHECK(i + 2 < text.size());
            const int hi = hexValue(text.at(i + 1));
            const int lo = hexValue(text.at(i + 2));
            FUZZ_CHECK(hi >= 0 && lo >= 0);
            out.append(char(hi * 16 + lo));
            i += 2;
        } else {
            FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
            out.append(c);
        }
    }
    return out;
}

QByteArray encode(const QByteArray &source, UUMethods method)
{
    QByteArray in = source;
    QBuffer sourceStream(&in);
    QBuffer target;
    sourceStream.open(QIODevice::ReadOnly);
    target.open(QIODevice::ReadWrite);
    TNMUUProcessor processor;
    processor.Method = method;
    processor.SourceStream = &sourceStream;
    processor.TargetStream = &target;
    int begun = 0;
    int ended = 0;
    processor.OnBeginEncode = [&](TNMUUProcessor *) { ++begun; };
    processor.OnEndEncode = [&](TNMUUProcessor *) { ++ended; };
    processor.Encode();
    FUZZ_CHECK(begun == 1 && ended == 1);
    FUZZ_CHECK(target.pos() == 0);
    return target.data();
}

// One uuencoded line without its length character and line end.
QByteArray uuDecode(const QByteArray &chars, int n)
{
    const auto value = [](char c) {
        FUZZ_CHECK(c == '`' || (c >= 0x21 && c <= 0x5F));
        return c == '`' ? 0 : c - 0x20;
    };
    QByteArray out;
    qsizetype i = 0;
    while (out.size() < n) {
        const int left = n - int(out.size());
        const int group = left >= 3 ? 4 : left + 1;
        FUZZ_CHECK(i + group <= chars.size());
        int v[4] = {0, 0, 0, 0};
        for (int k = 0; k < group; ++k)
            v[k] = value(chars.at(i + k));
        out.append(char((v[0] << 2) | (v[1] >> 4)));
        if (left >= 2)
            out.append(char(((v[1] << 4) | (v[2] >> 2)) & 0xFF));
        if (left >= 3)
            out.append(char(((v[2] << 6) | v[3]) & 0xFF));
        i += group;
    }
    FUZZ_CHECK(i == chars.size());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);

    const QByteArray url = urlEncode(input);
    FUZZ_CHECK(urlDecode(url) == input);
    TNMURL component;
    component.InputString = input;
    FUZZ_CHECK(component.EncodedString() == url);

    // base64: lines of 60 characters (the last may be shorter), CR LF each.
    const QByteArray mime = encode(input, UUMethods::uuMime);
    FUZZ_CHECK(mime == mimeEncodeLines(input));
    QByteArray joined;
    const QList<QByteArray> mimeLines = mime.split('\n');
    FUZZ_CHECK(mimeLines.last().isEmpty());
    for (qsizetype i = 0; i + 1 < mimeLines.size(); ++i) {
        const QByteArray &line = mimeLines.at(i);
        FUZZ_CHECK(line.endsWith('\r'));
        FUZZ_CHECK(line.size() - 1 == (i + 2 < mimeLines.size() ? 60 : line.size() - 1));
        FUZZ_CHECK(line.size() - 1 <= 60 && (line.size() - 1) % 4 == 0);
        joined += line.chopped(1);
    }
    FUZZ_CHECK(joined == input.toBase64());
    FUZZ_CHECK(input.isEmpty() == mime.isEmpty());

    // uuencode: length character, groups, CR LF; a last line of '`' alone.
    const QByteArray uu = encode(input, UUMethods::uuCode);
    QList<QByteArray> uuLines = uu.split('\n');
    FUZZ_CHECK(uuLines.size() >= 2 && uuLines.last().isEmpty());
    uuLines.removeLast();
    FUZZ_CHECK(uuLines.last() == "`\r");
    uuLines.removeLast();
    QByteArray decoded;
    for (const QByteArray &line : uuLines) {
        FUZZ_CHECK(line.size() >= 2 && line.endsWith('\r'));
        const char length = line.at(0);
        const int n = length == '`' ? 0 : length - 0x20;
        FUZZ_CHECK(n >= 1 && n <= 45);
        decoded += uuDecode(line.mid(1, line.size() - 2), n);
    }
    FUZZ_CHECK(decoded == input);
    return 0;
}
