#pragma once

#include <QByteArray>
#include <QList>

// Typed words as the suggestions compare them: bytes of the single-byte code
// page, folded to lower case, split at blanks.
namespace suggest {

// Each letter of the code page in lower case (A-Z, the accented capitals,
// and the three capitals of the 0x80-0x9F row); every other byte unchanged.
QByteArray foldCase(const QByteArray &text);

// The folded words of `typed`, split at blanks and control bytes. A word
// that another one contains adds nothing and is dropped, as are repeats, so
// the longest (most selective) word comes first.
QList<QByteArray> queryWords(const QByteArray &typed);

// Where each word occurs in `text` (case folded), for highlighting: pairs of
// start and length, sorted and merged where they overlap.
QList<QPair<qsizetype, qsizetype>> matchRanges(const QByteArray &text, const QList<QByteArray> &words);

} // namespace suggest
