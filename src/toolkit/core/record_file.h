#pragma once

#include <QByteArray>
#include <QString>

// Typed files of fixed-size records and text files opened for appending,
// failing with the texts of io_errors.h. Names go through resolvePath().
//
// Writing is atomic: rewrite() and append() collect the new content, and
// close() writes it to a temporary file in the same folder and renames it
// over the old one. A crash, a kill or a full disk therefore leaves either
// the old file or the new one, never a torn one. An object destroyed
// without close() (an exception left the caller) leaves the old file.
namespace toolkit {

// Who may read what a save creates. OwnerOnly is for files that hold the
// user's browsing: they are created 0600 whatever the umask, and an older
// copy that others could read loses those bits when it is saved again.
// Usual files (the user's own documents) get the umask's modes, and an
// existing file keeps its own.
enum class FileAccess { Usual, OwnerOnly };

class RecordFile {
public:
    RecordFile(const QString &name, int recordSize, FileAccess access = FileAccess::Usual);
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Opens an existing file for reading ("File not found", "File access denied").
    void reset();
    // Creates the file or empties it, for writing.
    void rewrite();

    // Reads the next record; "Read beyond end of file" when fewer bytes are left.
    QByteArray read();
    // Reads the next record of one byte.
    unsigned char readByte();
    bool eof() const;
    // The rest of the file in one array (whole records and a short last
    // one alike); the file's own buffer, not a copy, when nothing was read.
    QByteArray readRest();

    void write(const QByteArray &record);
    void writeByte(unsigned char byte);

    // Ends the access; for a written file this is where the bytes reach disk.
    void close();

    const QString &path() const { return m_path; }

private:
    enum class Mode { Closed, Reading, Writing };

    QString m_path;
    int m_recordSize;
    FileAccess m_access;
    Mode m_mode = Mode::Closed;
    QByteArray m_data;
    qsizetype m_position = 0;
};

// A text file opened for appending: what it held stays, new text goes after.
class AppendFile {
public:
    explicit AppendFile(const QString &name, FileAccess access = FileAccess::Usual);
    ~AppendFile();
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Opens an existing file; its content is kept and new text goes after it.
    void open();
    void write(const QByteArray &text);
    void close();

private:
    QString m_path;
    FileAccess m_access;
    bool m_open = false;
    QByteArray m_data;
};

// Reads a whole file as the program's byte-by-byte loops do: one byte, then
// more until the end, so an empty file fails with "Read beyond end of file".
// Throws the other file errors as reset() does.
QByteArray readWholeFile(const QString &name);

// A new content for a file, written piece by piece into a temporary file in
// the same folder; commit() makes it the file's content at once, by the
// same rules as replaceFileAtomically(). Left uncommitted, the old file
// stays. For content too large to collect in memory first.
class AtomicFile {
public:
    // `name` is already resolved. Fails as opening the file for writing would.
    AtomicFile(const QString &name, FileAccess access);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    void write(const char *data, qsizetype size);
    void commit();

private:
    [[noreturn]] void fail(int err);

    QString m_path;
    QByteArray m_folder;
    QByteArray m_tempName;
    int m_fd = -1;
};

// Writes `bytes` as the whole new content of the file named (already
// resolved) `path`, atomically; through a symbolic link, the file it names.
// Throws EInOutError.
void replaceFileAtomically(const QString &path, const QByteArray &bytes, FileAccess access = FileAccess::Usual);

} // namespace toolkit
