#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

// Addresses as a user's history holds them: a few thousand sites, pages
// below them with paths and queries, 60 to 120 bytes, many visited again.
namespace benchdata {

inline QByteArray word(QRandomGenerator &random, int syllables)
{
    static const char *const parts[] = {"ka", "lo", "mi", "ne", "sta", "ri", "po", "ven", "tor", "la", "qu",
                                        "zen", "bri", "do", "fa", "gu", "hex", "jo", "wi", "ya", "cor", "pl"};
    QByteArray out;
    for (int i = 0; i < syllables; ++i)
        out += parts[random.bounded(int(sizeof parts / sizeof *parts))];
    return out;
}

inline QList<QByteArray> makeHistory(qsizetype count, quint32 seed = 42)
{
    QRandomGenerator random(seed);
    QList<QByteArray> sites;
    for (int i = 0; i < 4000; ++i)
        sites.append((random.bounded(2) ? "https://www." : "https://") + word(random, 2 + random.bounded(3)) +
                     (random.bounded(3) ? ".com" : ".org"));
    QList<QByteArray> history;
    history.reserve(count + 1);
    while (history.size() < count) {
        if (history.size() > 100 && random.bounded(10) < 3) {
            // A return visit, more likely to something recent.
            const qsizetype back = qsizetype(random.bounded(std::min<qsizetype>(history.size(), 5000)));
            history.append(history.at(history.size() - 1 - back));
            continue;
        }
        const int target = 60 + random.bounded(61);
        QByteArray entry = sites.at(random.bounded(int(sites.size())));
        while (entry.size() < target - 12)
            entry += '/' + word(random, 1 + random.bounded(3));
        entry += "?id=" + QByteArray::number(random.bounded(100000000));
        history.append(entry.left(target));
    }
    return history;
}

} // namespace benchdata
