#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QObject>

#include <functional>

enum class UUMethods : quint8 { uuMime = 0, uuCode = 1 };

// Bytes to text lines: base64 (uuMime) in lines of up to 60 characters, or
// uuencode (uuCode) lines led by their length character and closed by a line
// holding only the grave accent. Each line ends with CR LF. There is no
// decoder: OnBeginDecode and OnEndDecode may be set, but nothing fires them.
class TNMUUProcessor : public QObject {
public:
    using TNotifyEvent = std::function<void(TNMUUProcessor *sender)>;

    explicit TNMUUProcessor(QObject *owner = nullptr);

    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

    // The output table of the running (or last) encoding; filled from the
    // table of Method when Encode starts.
    QByteArray Alphabet;
    // Supplied by the caller and not owned; both must be set before Encode.
    QIODevice *SourceStream = nullptr;
    QIODevice *TargetStream = nullptr;
    UUMethods Method = UUMethods::uuMime;

    // Reads SourceStream from its start and writes the lines at TargetStream's
    // position. Stream failures are thrown (Exception "Stream read error" /
    // "Stream write error"); TargetStream is rewound to 0 and OnEndEncode
    // fires in every case, so the caller can read the result from the start.
    void Encode();
};

// Base64 of `bytes` in the processor's line form (60 characters, CR LF each).
QByteArray mimeEncodeLines(const QByteArray &bytes);
