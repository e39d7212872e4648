// Saving a bookmark under a page title of any text: the file lands in the
// Bookmarks folder under the cleaned title, holding exactly the address, or
// the save fails with a file error before anything is written or told;
// a name is never shortened to make it fit.
// Input: two bytes of title length (UTF-16 units), the title, the address,
// both as UTF-16 (lone surrogates included, as an engine may hand them over).

#include "fuzz_support.h"

#include "bookmarks/bookmark_file.h"
#include "platform/web_engine.h"
#include "toolkit/core/codepage.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/widgets/message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// An engine that shows one fixed page.
class ShownPage : public WebEngine {
public:
    QString url;
    QString title;
    QWidget *widget() override { return nullptr; }
    void Navigate(const QString &) override {}
    void GoBack() override {}
    void GoForward() override {}
    void Stop() override {}
    void Refresh() override {}
    QString LocationURL() const override { return url; }
    QString LocationName() const override { return title; }
    // The rest of the engine is never asked for by a bookmark save.
    void findText(const QString &, bool, bool, std::function<void(FindResult)>) override {}
    bool isLoading() const override { return false; }
    qreal zoomFactor() const override { return 1.0; }
    void setZoomFactor(qreal) override {}
    void printToPdf(const QString &, std::function<void(bool)>) override {}
    void ExitFullScreen() override {}
    bool pageStoppedWorking() const override { return false; }
};

QString utf16(const uint8_t *data, size_t units)
{
    QString text(qsizetype(units), QChar(u'\0'));
    for (size_t i = 0; i < units; ++i)
        text[qsizetype(i)] = QChar(char16_t(data[2 * i] | (data[2 * i + 1] << 8)));
    return text;
}

constexpr char kNine[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|'};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    static QTemporaryDir *folder = new QTemporaryDir(
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kestrelon-fuzz-XXXXXX")
                                                  : QDir::tempPath() + QStringLiteral("/kestrelon-fuzz-XXXXXX"));
    QDir::setCurrent(folder->path());
    QDir().mkdir(QStringLiteral("Bookmarks"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t titleUnits = std::min<size_t>(data[0] | (data[1] << 8), (size - 2) / 2);
    ShownPage page;
    page.title = utf16(data + 2, titleUnits);
    const size_t rest = size - 2 - 2 * titleUnits;
    page.url = utf16(data + 2 + 2 * titleUnits, rest / 2);

    const QByteArray title = toolkit::toSingleByte(page.title);
    const QByteArray cleaned = bookmarks::cleanTitle(title);
    FUZZ_CHECK(cleaned.size() == title.size());
    FUZZ_CHECK(!cleaned.contains('.'));
    for (const char bad : kNine)
        FUZZ_CHECK(!cleaned.contains(bad));
    for (qsizetype i = 0; i < title.size(); ++i) {
        const bool replaced = title.at(i) == '.' || std::find(std::begin(kNine), std::end(kNine), title.at(i)) != std::end(kNine);
        FUZZ_CHECK(replaced ? (cleaned.at(i) == ',' || cleaned.at(i) == '\'') : cleaned.at(i) == title.at(i));
    }
    const QString name = bookmarks::bookmarkFileName(title);
    FUZZ_CHECK(name == QStringLiteral("Bookmarks\\") + toolkit::fromSingleByte(cleaned) + QStringLiteral(".bkm"));

    toolkit::RecordingMessageBoxes boxes;
    const QDir bookmarksFolder(QStringLiteral("Bookmarks"));
    const auto entries = [&] {
        return bookmarksFolder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    bool saved = false;
    try {
        bookmarks::saveBookmark(page);
        saved = true;
    } catch (const Exception &) {
    }
    const QStringList after = entries();
    // Refused exactly when no file system could hold the name whole.
    const QByteArray onDisk = QFile::encodeName(toolkit::fromSingleByte(cleaned) + QStringLiteral(".bkm"));
    FUZZ_CHECK(saved == (!onDisk.contains('\0') && onDisk.size() <= 255));
    // Nothing ever lands beside the Bookmarks folder.
    FUZZ_CHECK(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot) ==
               QStringList{QStringLiteral("Bookmarks")});
    if (!saved) {
        FUZZ_CHECK(boxes.messages.isEmpty());
        FUZZ_CHECK(after.isEmpty());
        return 0;
    }
    FUZZ_CHECK(boxes.messages == QStringList{QStringLiteral("Bookmark saved!")});
    FUZZ_CHECK(after == QStringList{toolkit::fromSingleByte(cleaned) + QStringLiteral(".bkm")});
    const QByteArray address = toolkit::toSingleByte(page.url);
    try {
        FUZZ_CHECK(bookmarks::readBookmark(QStringLiteral("Bookmarks/") + after.first()) == address);
        FUZZ_CHECK(!address.isEmpty());
    } catch (const EInOutError &e) {
        FUZZ_CHECK(address.isEmpty() && e.message() == QLatin1String("Read beyond end of file"));
    }
    FUZZ_CHECK(QFile::remove(bookmarksFolder.filePath(after.first())));
    return 0;
}
