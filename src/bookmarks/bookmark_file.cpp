#include "bookmarks/bookmark_file.h"

#include "platform/web_engine.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/record_file.h"
#include "toolkit/widgets/message_box.h"

namespace bookmarks {
namespace {

constexpr char kReplacedByApostrophe[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|'};

} // namespace

QByteArray cleanTitle(const QByteArray &title)
{
    QByteArray cleaned = title;
    for (char &ch : cleaned) {
        if (ch == '.') {
            ch = ',';
            continue;
        }
        for (const char bad : kReplacedByApostrophe) {
            if (ch == bad) {
                ch = '\'';
                break;
            }
        }
    }
    return cleaned;
}

QString bookmarkFileName(const QByteArray &title)
{
    return QStringLiteral("Bookmarks\\") + toolkit::fromSingleByte(cleanTitle(title)) + QStringLiteral(".bkm");
}

SavedBookmark saveBookmark(const WebEngine &engine)
{
    // Both texts in the single-byte code page; characters it cannot hold
    //    became '?', which the cleaning turns into an apostrophe.
    const QByteArray address = toolkit::toSingleByte(engine.LocationURL());
    const QByteArray title = toolkit::toSingleByte(engine.LocationName());

    // The file holds the address and nothing else; an older bookmark of
    //      the same title is replaced.
    toolkit::RecordFile file(bookmarkFileName(title), 1);
    file.rewrite();
    for (const char byte : address)
        file.writeByte(static_cast<unsigned char>(byte));
    file.close();

    toolkit::showMessage(QStringLiteral("Bookmark saved!"));
    return SavedBookmark{address, cleanTitle(title)};
}

QByteArray readBookmark(const QString &path)
{
    return toolkit::readWholeFile(path);
}

} // namespace bookmarks
