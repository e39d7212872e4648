// The field helpers and the header-line list, checked against plain
// restatements of what they promise.

#include "fuzz_support.h"

#include "socket/ex_string_list.h"
#include "socket/nth_field.h"

namespace {

QByteArray referenceWord(const QByteArray &text, char delimiter, int n)
{
    if (n <= 0)
        return {};
    const QList<QByteArray> fields = text.split(delimiter);
    return n <= fields.size() ? fields.at(n - 1) : QByteArray();
}

int referencePos(const QByteArray &text, char delimiter, int n)
{
    int count = 0;
    for (int i = 0; i < text.size(); ++i)
        if (text.at(i) == delimiter && ++count == n)
            return i + 1;
    return int(text.size()) + 1;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const char delimiter = char(data[0]);
    const int n = int(int8_t(data[1]));
    const QByteArray text = fuzz::bytes(data + 3, size - 3);

    const QByteArray word = NthWord(text, delimiter, n);
    FUZZ_CHECK(word == (text.isEmpty() ? QByteArray() : referenceWord(text, delimiter, n)));
    FUZZ_CHECK(!word.contains(delimiter));
    if (!text.isEmpty()) {
        const int pos = NthPos(text, delimiter, n);
        FUZZ_CHECK(pos == referencePos(text, delimiter, n));
        FUZZ_CHECK(pos >= 1 && pos <= text.size() + 1);
    }

    // The rest as operations on a header list: lines split at LF; each
    // line's first byte says what to do with the rest.
    TExStringList list;
    list.Sorted = (data[2] & 0x80) != 0;
    for (const QByteArray &op : text.split('\n')) {
        if (op.isEmpty())
            continue;
        const QByteArray arg = op.mid(1);
        const qsizetype eq = arg.indexOf('=');
        const QByteArray name = eq < 0 ? arg : arg.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : arg.mid(eq + 1);
        switch (op.at(0) % 4) {
        case 0: {
            const int index = list.Add(arg);
            FUZZ_CHECK(index >= 0 && index < list.Count() && list.at(index) == arg);
            break;
        }
        case 1: {
            const int index = list.IndexOfHeader(name);
            FUZZ_CHECK(index >= -1 && index < list.Count());
            if (index >= 0) {
                // The sorted search takes a line without ':' as named
                // empty; the unsorted one skips such lines.
                const QByteArray line = list.at(index);
                FUZZ_CHECK(list.Sorted || line.contains(':'));
                const QByteArray lineName = line.contains(':') ? line.left(line.indexOf(':')) : QByteArray();
                FUZZ_CHECK(CompareText(lineName, name) == 0);
            }
            break;
        }
        default: {
            if (list.Sorted)
                break; // SetHeader is made for the unsorted list the client keeps
            const int before = list.Count();
            const int index = list.IndexOfHeader(name);
            list.SetHeader(name, value);
            if (value.isEmpty()) {
                FUZZ_CHECK(list.Count() == before - (index >= 0 ? 1 : 0));
            } else if (index >= 0) {
                FUZZ_CHECK(list.Count() == before && list.at(index) == name + ": " + value);
            } else {
                FUZZ_CHECK(list.Count() == before + 1 && list.last() == name + ": " + value);
            }
            if (!value.isEmpty() && !name.contains(':'))
                FUZZ_CHECK(list.at(list.IndexOfHeader(name)) == name + ": " + value);
            break;
        }
        }
    }
    if (list.Sorted) {
        for (int i = 1; i < list.Count(); ++i)
            FUZZ_CHECK(CompareText(list.at(i - 1), list.at(i)) <= 0);
    }
    FUZZ_CHECK(list.Text().size() == [&] {
        qsizetype total = 0;
        for (const QByteArray &line : list)
            total += line.size() + 2;
        return total;
    }());
    return 0;
}
