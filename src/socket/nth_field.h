#pragma once

#include <QByteArray>

// Field helpers used to take URLs and reply lines apart.

// The n-th field (from 1) of `text`, fields separated by single `delimiter`
// characters; two adjacent delimiters enclose an empty field. Fewer than n
// fields, or n <= 0, give an empty result.
QByteArray NthWord(const QByteArray &text, char delimiter, int n);

// The position (from 1) of the n-th `delimiter` in `text`; the text's length
// + 1 when there are fewer than n. An empty text gives 1.
int NthPos(const QByteArray &text, char delimiter, int n);
