#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

// Form data to the URL-encoded text that a Post sends: letters and digits stay,
// a blank becomes '+', every other byte becomes '%' and two upper-case hex digits.
class TNMURL : public QObject {
public:
    using TOnErrorEvent =
        std::function<void(TNMURL *sender, const QString &operation, const QString &errMsg)>;

    explicit TNMURL(QObject *owner = nullptr);

    QByteArray InputString;
    TOnErrorEvent OnError;

    // Encodes InputString afresh on every read. The whole input is encoded,
    // however long it is. If encoding fails, OnError hears of it and the
    // input comes back unchanged.
    QByteArray EncodedString() const;
};

// The encoding itself, for callers that need no component.
QByteArray urlEncode(const QByteArray &input);
