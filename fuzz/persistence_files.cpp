// The counter, history and settings readers on files of any content, and
// the history writer's promise that what it writes reads back as written.
// The input is split at its first byte 0x00 0xFF pair, if any: the first
// part is the history file, the whole input is every other file.

#include "fuzz_support.h"

#include "app/persistence/persistence.h"
#include "toolkit/core/exceptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void put(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray get(const QString &name)
{
    QFile file(name);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// What the reader makes of history bytes: entries split at 228 and 246,
// ending after 246 or at the end of the bytes, plus the entry in progress.
QList<QByteArray> referenceHistory(const QByteArray &bytes)
{
    QList<QByteArray> list{QByteArray()};
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == persistence::kEntrySeparator || byte == persistence::kListTerminator) {
            list.append(QByteArray());
            if (byte == persistence::kListTerminator)
                break;
        } else {
            list.last().append(c);
        }
    }
    return list;
}

QByteArray escaped(QByteArray entry)
{
    return entry.replace(char(persistence::kEntrySeparator), "%C3%A4").replace(char(persistence::kListTerminator), "%C3%B6");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    // Saves are synced to disk; a folder in memory keeps the runs fast.
    static QTemporaryDir *folder =
        new QTemporaryDir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kestrelon-fuzz-XXXXXX")
                                                                     : QDir::tempPath() + QStringLiteral("/kestrelon-fuzz-XXXXXX"));
    QDir::setCurrent(folder->path());
    QDir().mkdir(QStringLiteral("config"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype split = input.indexOf(QByteArray("\x00\xff", 2));
    const QByteArray history = split < 0 ? input : input.left(split);

    put(QStringLiteral("config/stat.cfg"), input);
    put(QStringLiteral("config/history.cfg"), history);
    put(QStringLiteral("config/Kestrelon.cfg"), input);
    put(QStringLiteral("config/template.cfg"), input);

    try {
        const qint32 total = persistence::readTotalPages();
        FUZZ_CHECK(input.size() >= 4);
        FUZZ_CHECK(total == qint32(quint32(quint8(input[0])) | quint32(quint8(input[1])) << 8 |
                                   quint32(quint8(input[2])) << 16 | quint32(quint8(input[3])) << 24));
        // The count after one more page, wrapping as a 32-bit count does.
        const qint32 next = qint32(quint32(total) + 1);
        persistence::writeTotalPages(next);
        FUZZ_CHECK(persistence::readTotalPages() == next);
        FUZZ_CHECK(get(QStringLiteral("config/stat.cfg")).size() == 4);
    } catch (const EInOutError &e) {
        FUZZ_CHECK(input.size() < 4 && e.message() == QLatin1String("Read beyond end of file"));
    }

    QList<QByteArray> list{QByteArray()};
    persistence::readHistory(list);
    FUZZ_CHECK(list == referenceHistory(history));

    // Written back at close and read at the next start: every entry comes
    // back whole (separator bytes escaped), with one empty entry more.
    persistence::writeHistory(persistence::kHistoryFileAtClose, list);
    QList<QByteArray> again{QByteArray()};
    persistence::readHistory(again);
    QList<QByteArray> expected;
    for (const QByteArray &entry : list)
        expected.append(escaped(entry));
    expected.append(QByteArray());
    FUZZ_CHECK(again == expected);

    try {
        const persistence::SettingBytes settings = persistence::readSettingBytes();
        FUZZ_CHECK(input.size() >= 3);
        FUZZ_CHECK(settings.menuState == input[0] && settings.interfaceMode == input[1] &&
                   settings.showBrowserAtStart == input[2]);
        FUZZ_CHECK(persistence::readMenuStateByte() == input[0]);
    } catch (const EInOutError &e) {
        FUZZ_CHECK(input.size() < 3 && e.message() == QLatin1String("Read beyond end of file"));
    }

    try {
        FUZZ_CHECK(persistence::readTemplate() == input);
        FUZZ_CHECK(!input.isEmpty());
    } catch (const EInOutError &e) {
        FUZZ_CHECK(input.isEmpty() && e.message() == QLatin1String("Read beyond end of file"));
    }

    // The whole close step over these files.
    put(QStringLiteral("config/Kestrelon.cfg"), input);
    const persistence::CloseState state{7, false, &list, '2', '1'};
    try {
        persistence::saveAtClose(state);
        const QByteArray settings = get(QStringLiteral("config/Kestrelon.cfg"));
        FUZZ_CHECK(settings.size() == 3 + input.size());
        FUZZ_CHECK(settings.at(0) == input.at(0) && settings.mid(1, 2) == "21" && settings.mid(3) == input);
    } catch (const Exception &e) {
        FUZZ_CHECK(input.isEmpty());
    }
    QList<QByteArray> afterClose{QByteArray()};
    persistence::readHistory(afterClose);
    FUZZ_CHECK(afterClose == expected);
    return 0;
}
