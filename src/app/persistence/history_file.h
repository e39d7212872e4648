// The history file: every Go's address, oldest first, as single-byte text.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace persistence {

constexpr unsigned char kEntrySeparator = 228; // 'ä': ends an entry that is not the last
constexpr unsigned char kListTerminator = 246; // 'ö': ends the last entry and the content

// Appends the history file's entries to `list`, which holds one empty entry
// when called at start-up. Each 228 or 246 starts a new empty entry; the read
// stops after 246, or at the end of a file that lacks it (keeping the entries
// read so far and the one in progress).
// The entries share the one block the file was read into: a history of
// millions of entries costs its file's size and one array header each.
void readHistory(QList<QByteArray> &list);
// The same from the file `fileName` (any spelling resolvePath() takes).
void readHistory(const QString &fileName, QList<QByteArray> &list);

// Writes every entry followed by 228, the last followed by 246. The two
// separator bytes inside an entry are written as the percent-encoded UTF-8
// of their letters ("%C3%A4", "%C3%B6"), which opens the same address, so an
// entry never splits or cuts the list on the next read.
void writeHistory(const QString &fileName, const QList<QByteArray> &list);

// `clear`'s file step: the history file becomes the single byte 246.
void writeClearedHistory();

} // namespace persistence
