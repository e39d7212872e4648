#include "ex_string_list.h"

#include "toolkit/core/codepage.h"

int CompareText(const QByteArray &a, const QByteArray &b)
{
    return QString::localeAwareCompare(toolkit::fromSingleByte(a).toCaseFolded(),
                                       toolkit::fromSingleByte(b).toCaseFolded());
}

int TStringList::Add(const QByteArray &line)
{
    if (!Sorted) {
        append(line);
        return Count() - 1;
    }
    int low = 0;
    int high = Count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (CompareText(at(middle), line) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    insert(low, line);
    return low;
}

QByteArray TStringList::Text() const
{
    QByteArray text;
    for (const QByteArray &line : *this)
        text += line + "\r\n";
    return text;
}

namespace {

// The name of a header line: everything before its first ':'; none without one.
bool headerName(const QByteArray &line, QByteArray &name)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return false;
    name = line.left(colon);
    return true;
}

} // namespace

int TExStringList::IndexOfHeader(const QByteArray &name) const
{
    QByteArray lineName;
    if (!Sorted) {
        for (int i = 0; i < Count(); ++i)
            if (headerName(at(i), lineName) && CompareText(lineName, name) == 0)
                return i;
        return -1;
    }
    int low = 0;
    int high = Count() - 1;
    while (high + 1 != low && low <= high) {
        const int middle = low + (high - low) / 2;
        if (!headerName(at(middle), lineName))
            lineName.clear();
        const int order = CompareText(lineName, name);
        if (order == 0)
            return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void TExStringList::SetHeader(const QByteArray &name, const QByteArray &value)
{
    int index = IndexOfHeader(name);
    if (value.isEmpty()) {
        if (index != -1)
            Delete(index);
        return;
    }
    if (index == -1) {
        append(QByteArray());
        index = Count() - 1;
    }
    (*this)[index] = name + ": " + value;
}
