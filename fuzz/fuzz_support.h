#pragma once

// Shared by the harnesses: a Qt application object for code that processes
// events, and a check that stops the run with a readable message when an
// invariant of the code under test fails.

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void startApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
}

[[noreturn]] inline void fail(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, what);
    std::abort();
}

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
