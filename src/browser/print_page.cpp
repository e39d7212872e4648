#include "browser/print_page.h"

#include "browser/browser_window.h"
#include "platform/download.h"
#include "toolkit/core/exceptions.h"
#include "toolkit/widgets/guard.h"
#include "toolkit/widgets/message_box.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace printpage {
namespace {

// A long title makes a file name no folder takes; browsers cut it too.
constexpr int kMaxNameLength = 120;

QString cannotCreate(const QString &path)
{
    return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
}

} // namespace

QString defaultFileName(const QString &title)
{
    QString name = title.trimmed().left(kMaxNameLength);
    for (QChar &c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c == QLatin1Char('*')
            || c == QLatin1Char('?') || c == QLatin1Char('"') || c == QLatin1Char('<') || c == QLatin1Char('>')
            || c == QLatin1Char('|') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    name = name.trimmed();
    // A name of dots alone would name a folder.
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size())
        name = QStringLiteral("page");
    return name + QStringLiteral(".pdf");
}

void printToPdf(TForm1 &browser)
{
    WebEngine &engine = browser.WebBrowser1();
    const QDir folder(platform::downloadFolder());
    const QString suggested = folder.filePath(defaultFileName(engine.LocationName()));
    // Qt's own dialog: the same on every desktop, and reachable by tests.
    const QString path = QFileDialog::getSaveFileName(&browser, QStringLiteral("Save the page as PDF"), suggested,
                                                      QStringLiteral("PDF files (*.pdf)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        savePdf(browser, path);
}

void savePdf(TForm1 &browser, const QString &path)
{
    const QFileInfo target(path);
    const QFileInfo into(target.absolutePath());
    if (!into.isDir() || !into.isWritable() || (target.exists() && !target.isWritable()))
        throw EFCreateError(cannotCreate(path));
    browser.WebBrowser1().printToPdf(path, [path](bool written) {
        toolkit::guarded([&] {
            if (!written)
                throw EFCreateError(cannotCreate(path));
            toolkit::showMessage(QStringLiteral("The page was saved as PDF to: ") + QDir::toNativeSeparators(path));
        });
    });
}

} // namespace printpage
