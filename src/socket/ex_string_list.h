#pragma once

#include <QByteArray>
#include <QByteArrayList>

// A list of text lines, optionally kept sorted (Add inserts in order, by the
// case-insensitive comparison of whole lines).
class TStringList : public QByteArrayList {
public:
    bool Sorted = false;

    int Count() const { return int(size()); }
    // Appends the line (or inserts it in order when Sorted); returns its index.
    int Add(const QByteArray &line);
    void Delete(int index) { removeAt(index); }
    void Clear() { clear(); }
    // The lines, each followed by CR LF.
    QByteArray Text() const;
};

// Header lines ("Name: value") with look-up and replacement by name. A
// line's name is the text before its first ':' (not trimmed); a line without
// ':' has no name. Names compare case-insensitively.
class TExStringList : public TStringList {
public:
    // Index of the first line named `name`, -1 when none is.
    int IndexOfHeader(const QByteArray &name) const;
    // Replaces (in place) or appends the line "name: value"; an empty value
    // deletes the line named `name`, if there is one.
    void SetHeader(const QByteArray &name, const QByteArray &value);
};

// Case-insensitive, locale-aware comparison of two single-byte texts:
// negative, 0 or positive.
int CompareText(const QByteArray &a, const QByteArray &b);
