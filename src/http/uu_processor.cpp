#include "http/uu_processor.h"

#include "toolkit/core/exceptions.h"

#include <QBuffer>

namespace {

constexpr char kMimeTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The uuencode alphabet with the grave accent in place of the blank for 0.
QByteArray uuCodeTable()
{
    QByteArray table(1, '`');
    for (char c = 0x21; c <= 0x5F; ++c)
        table.append(c);
    return table;
}

// 45 source bytes make one full line: 60 characters of base64.
constexpr qint64 kBytesPerLine = 45;

QByteArray encodeLine(const QByteArray &table, UUMethods method, const unsigned char *b, int n)
{
    const auto at = [&](int value) { return table.at(value); };
    QByteArray line;
    line.reserve(64);
    if (method == UUMethods::uuCode)
        line.append(at(n));
    int i = 0;
    for (; i + 3 <= n; i += 3) {
        line.append(at(b[i] >> 2));
        line.append(at(((b[i] << 4) | (b[i + 1] >> 4)) & 63));
        line.append(at(((b[i + 1] << 2) | (b[i + 2] >> 6)) & 63));
        line.append(at(b[i + 2] & 63));
    }
    if (n - i == 1) {
        line.append(at(b[i] >> 2));
        line.append(at((b[i] << 4) & 48));
        if (method == UUMethods::uuMime)
            line.append("==");
    } else if (n - i == 2) {
        line.append(at(b[i] >> 2));
        line.append(at(((b[i] << 4) & 48) | (b[i + 1] >> 4)));
        line.append(at((b[i + 1] << 2) & 60));
        if (method == UUMethods::uuMime)
            line.append('=');
    }
    line.append("\r\n");
    return line;
}

void writeAll(QIODevice *target, const QByteArray &bytes)
{
    if (target->write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Stream write error"));
}

bool hasMore(QIODevice *source)
{
    return source->isSequential() ? !source->atEnd() : source->pos() < source->size();
}

} // namespace

TNMUUProcessor::TNMUUProcessor(QObject *owner) : QObject(owner) {}

void TNMUUProcessor::Encode()
{
    if (!SourceStream || !TargetStream)
        throw Exception(QStringLiteral("Encode needs a source and a target stream"));
    SourceStream->seek(0);
    if (OnBeginEncode)
        OnBeginEncode(this);

    const auto finish = [this] {
        TargetStream->seek(0);
        if (OnEndEncode)
            OnEndEncode(this);
    };
    try {
        Alphabet = Method == UUMethods::uuMime ? QByteArray(kMimeTable) : uuCodeTable();
        unsigned char chunk[kBytesPerLine];
        while (hasMore(SourceStream)) {
            const qint64 n = SourceStream->read(reinterpret_cast<char *>(chunk), kBytesPerLine);
            if (n < 0)
                throw Exception(QStringLiteral("Stream read error"));
            if (n == 0)
                break; // a sequential source that reported more than it had
            writeAll(TargetStream, encodeLine(Alphabet, Method, chunk, int(n)));
        }
        if (Method == UUMethods::uuCode)
            writeAll(TargetStream, QByteArray(1, Alphabet.at(0)) + "\r\n");
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

QByteArray mimeEncodeLines(const QByteArray &bytes)
{
    QByteArray source = bytes;
    QBuffer in(&source);
    QBuffer out;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::ReadWrite);
    TNMUUProcessor processor;
    processor.Method = UUMethods::uuMime;
    processor.SourceStream = &in;
    processor.TargetStream = &out;
    processor.Encode();
    return out.data();
}
