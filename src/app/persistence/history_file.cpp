#include "app/persistence/history_file.h"

#include "app/persistence/persistence.h"
#include "toolkit/core/paths.h"
#include "toolkit/core/record_file.h"

#include <cstring>
#include <vector>

using toolkit::FileAccess;
using toolkit::RecordFile;

namespace persistence {

namespace {

// `size` bytes at `at` inside `block` as an array of their own that shares
// the block's storage (the block lives as long as any entry does). The byte
// after the entry must be a zero: arrays that own their storage are taken to
// end in one.
QByteArray sharedEntry(QByteArray &block, const char *at, qsizetype size)
{
    if (size == 0)
        return QByteArray();
    QByteArray::DataPointer entry = block.data_ptr();
    entry.ptr = const_cast<char *>(at);
    entry.size = size;
    return QByteArray(std::move(entry));
}

// Collects the file's bytes in large pieces, so a history of any size is
// written with a buffer of fixed size and no copy of its own.
class BlockWriter {
public:
    explicit BlockWriter(toolkit::AtomicFile &file) : m_file(file) { m_buffer.reserve(kSize); }

    void append(const char *data, qsizetype size)
    {
        if (qsizetype(m_buffer.size()) + size > kSize)
            flush();
        if (size >= kSize) {
            m_file.write(data, size);
            return;
        }
        m_buffer.insert(m_buffer.end(), data, data + size);
    }
    void append(char byte) { append(&byte, 1); }

    void flush()
    {
        m_file.write(m_buffer.data(), qsizetype(m_buffer.size()));
        m_buffer.clear();
    }

private:
    static constexpr qsizetype kSize = qsizetype(1) << 20;
    toolkit::AtomicFile &m_file;
    std::vector<char> m_buffer;
};

// Where the next separator byte is inside [at, end), or `end`.
const char *nextSeparator(const char *at, const char *end)
{
    const auto *a = static_cast<const char *>(std::memchr(at, char(kEntrySeparator), size_t(end - at)));
    const auto *b = static_cast<const char *>(std::memchr(at, char(kListTerminator), size_t((a ? a : end) - at)));
    return b ? b : a ? a : end;
}

} // namespace

void readHistory(QList<QByteArray> &list)
{
    readHistory(kHistoryFileRead, list);
}

void readHistory(const QString &fileName, QList<QByteArray> &list)
{
    RecordFile file(fileName, 1);
    file.reset();
    QByteArray block = file.readRest();
    file.close();
    // Only the bytes up to the terminator count.
    const auto *terminator = static_cast<const char *>(std::memchr(block.constData(), char(kListTerminator),
                                                                   size_t(block.size())));
    const qsizetype used = terminator ? terminator - block.constData() : block.size();

    // Each separator becomes the zero that ends the entry before it. The
    // block is written through this one pointer, taken while no entry
    // shares it: afterwards writing through the array would copy it.
    char *p = block.data();
    char *const end = p + used;
    bool first = true;
    for (;;) {
        auto *q = static_cast<char *>(std::memchr(p, char(kEntrySeparator), size_t(end - p)));
        if (!q)
            q = end;
        const qsizetype size = q - p;
        if (first) {
            // The entry in progress when the read began goes on.
            if (list.last().isEmpty())
                list.last() = sharedEntry(block, p, size);
            else
                list.last().append(p, size);
            first = false;
        } else {
            list.append(sharedEntry(block, p, size));
        }
        if (q == end)
            break;
        *q = '\0';
        p = q + 1;
    }
    if (terminator) {
        *end = '\0';
        list.append(QByteArray());
    }
}

void writeHistory(const QString &fileName, const QList<QByteArray> &list)
{
    toolkit::AtomicFile file(toolkit::resolvePath(fileName), FileAccess::OwnerOnly);
    BlockWriter out(file);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QByteArray &entry = list.at(i);
        const char *p = entry.constData();
        const char *const end = p + entry.size();
        for (;;) {
            const char *q = nextSeparator(p, end);
            out.append(p, q - p);
            if (q == end)
                break;
            out.append(static_cast<unsigned char>(*q) == kEntrySeparator ? "%C3%A4" : "%C3%B6", 6);
            p = q + 1;
        }
        out.append(char(i + 1 == list.size() ? kListTerminator : kEntrySeparator));
    }
    out.flush();
    file.commit();
}

void writeClearedHistory()
{
    RecordFile file(kHistoryFileRead, 1, FileAccess::OwnerOnly);
    file.rewrite();
    file.writeByte(kListTerminator);
    file.close();
}

} // namespace persistence
