#include "nth_field.h"

QByteArray NthWord(const QByteArray &text, char delimiter, int n)
{
    QByteArray word;
    if (text.isEmpty() || n <= 0)
        return word;
    int count = 0;
    for (char ch : text) {
        if (ch == delimiter) {
            if (++count == n)
                break;
        } else if (count == n - 1) {
            word += ch;
        }
    }
    return word; // fewer than n fields never reach count n - 1: empty
}

int NthPos(const QByteArray &text, char delimiter, int n)
{
    int count = 0;
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == delimiter && ++count == n)
            return i + 1;
    return int(text.size()) + 1;
}
