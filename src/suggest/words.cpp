#include "suggest/words.h"

#include "toolkit/core/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace suggest {
namespace {

// Built from the code page itself: a byte folds to the byte of its
// character's lower case when the code page holds that character.
std::array<unsigned char, 256> buildFoldTable()
{
    std::array<unsigned char, 256> table {};
    for (int b = 0; b < 256; ++b) {
        table[b] = static_cast<unsigned char>(b);
        const QChar lower = toolkit::singleByteToChar(static_cast<unsigned char>(b)).toLower();
        const char back = toolkit::charToSingleByte(lower);
        if (back != '?' || lower == QLatin1Char('?'))
            table[b] = static_cast<unsigned char>(back);
    }
    return table;
}

const std::array<unsigned char, 256> &foldTable()
{
    static const std::array<unsigned char, 256> table = buildFoldTable();
    return table;
}

bool isBlank(unsigned char byte)
{
    return byte <= 0x20 || byte == 0x7F || byte == 0xA0;
}

} // namespace

QByteArray foldCase(const QByteArray &text)
{
    const auto &table = foldTable();
    QByteArray folded = text;
    // Most addresses are already lower case: only then does the copy detach.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text.at(i));
        if (table[byte] != byte)
            folded[i] = char(table[byte]);
    }
    return folded;
}

QList<QByteArray> queryWords(const QByteArray &typed)
{
    const QByteArray folded = foldCase(typed);
    QList<QByteArray> words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= folded.size(); ++i) {
        const bool blank = i == folded.size() || isBlank(static_cast<unsigned char>(folded.at(i)));
        if (!blank && start < 0)
            start = i;
        else if (blank && start >= 0) {
            words.append(folded.mid(start, i - start));
            start = -1;
        }
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
    QList<QByteArray> kept;
    for (const QByteArray &word : std::as_const(words)) {
        const bool covered = std::any_of(kept.cbegin(), kept.cend(),
                                         [&](const QByteArray &longer) { return longer.contains(word); });
        if (!covered)
            kept.append(word);
    }
    return kept;
}

QList<QPair<qsizetype, qsizetype>> matchRanges(const QByteArray &text, const QList<QByteArray> &words)
{
    const QByteArray folded = foldCase(text);
    QList<QPair<qsizetype, qsizetype>> ranges;
    for (const QByteArray &word : words) {
        if (word.isEmpty())
            continue;
        for (qsizetype at = folded.indexOf(word); at >= 0; at = folded.indexOf(word, at + word.size()))
            ranges.append({at, word.size()});
    }
    std::sort(ranges.begin(), ranges.end());
    QList<QPair<qsizetype, qsizetype>> merged;
    for (const auto &range : std::as_const(ranges)) {
        if (!merged.isEmpty() && range.first <= merged.last().first + merged.last().second) {
            auto &last = merged.last();
            last.second = std::max(last.second, range.first + range.second - last.first);
        } else {
            merged.append(range);
        }
    }
    return merged;
}

} // namespace suggest
