// Downloads with the real engine from servers on 127.0.0.1: the save
// dialog (answered by the test), the downloads window, and what is left on
// disk when a download is cancelled, refused or fails.
#include "app_fixture.h"

#include "pagewindows/downloads_window.h"
#include "pagewindows/page_windows.h"
#include "platform/download.h"
#include "support/core/temp_folder.h"
#include "support/gui/dialog_answers.h"
#include "support/gui/window_parts.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>
#include <csignal>
#include <sys/resource.h>

using app_testing::PageServer;
using app_testing::ProgramWindows;
using app_testing::waitFor;
using testing_support::clickButton;
using testing_support::DialogAnswerer;
using testing_support::ScriptedConnection;
using testing_support::ScriptedServer;
using testing_support::Step;

namespace {

QByteArray bytesOf(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((unsigned(i) * 7919u) >> 3);
    return bytes;
}

QByteArray attachment(const QByteArray &name, const QByteArray &body)
{
    return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\""
           + name + "\"\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// A fresh download folder named by XDG_DOWNLOAD_DIR; it does not exist
// until the program makes it.
class DownloadFolder {
public:
    DownloadFolder() : m_path(m_parent.path() + QStringLiteral("/Saved here"))
    {
        qputenv("XDG_DOWNLOAD_DIR", m_path.toLocal8Bit());
    }
    ~DownloadFolder() { qunsetenv("XDG_DOWNLOAD_DIR"); }
    QString path() const { return m_path; }
    QString file(const QString &name) const { return m_path + QLatin1Char('/') + name; }
    QStringList entries() const { return QDir(m_path).entryList(QDir::Files | QDir::Hidden); }
    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_parent;
    QString m_path;
};

void go(ProgramWindows &program, const QString &url)
{
    ui(program.main()).Edit1->setText(url);
    program.main().Button1Click();
}

QString status(ProgramWindows &program, int row = 0)
{
    const auto rows = program.browser().pageWindows().downloads().findChildren<QWidget *>(QStringLiteral("DownloadRow"));
    return row < rows.size() ? rows[row]->findChild<QLabel *>(QStringLiteral("Status"))->text() : QString();
}

QFileDialog *saveDialog(QWidget *window)
{
    return static_cast<QFileDialog *>(window);
}

void accept(QWidget *window)
{
    static_cast<QDialog *>(window)->accept();
}

} // namespace

TEST(Downloads, AttachmentIsSavedByteExactThroughTheDialog)
{
    const QByteArray body = bytesOf(300'000);
    PageServer server({{"/report", attachment("report.bin", body)}});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    QString offered;
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [&](QWidget *window) {
        offered = saveDialog(window)->selectedFiles().value(0);
        // Enter in the name box saves.
        QTest::keyClick(window->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")), Qt::Key_Return);
    });
    go(program, server.url("/report"));
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("Finished")); }))
        << status(program).toStdString();
    // The folder was made for the dialog, which offered the server's name in it.
    EXPECT_EQ(offered, folder.file(QStringLiteral("report.bin")));
    EXPECT_EQ(folder.read(QStringLiteral("report.bin")), body);
    EXPECT_EQ(folder.entries(), QStringList{QStringLiteral("report.bin")});
    EXPECT_TRUE(program.browser().pageWindows().downloads().isVisible());
    EXPECT_EQ(program.browser().pageWindows().downloads().running(), 0);
    EXPECT_EQ(program.main().SessionPages, 1);
    EXPECT_TRUE(program.messages().isEmpty()) << program.messages().join('|').toStdString();
}

TEST(Downloads, CancelInTheDialogSavesNothing)
{
    PageServer server({{"/report", attachment("report.bin", bytesOf(1000))}});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    // Files of the user's under the names a download uses for its bytes,
    // in the current folder: a download not accepted made nothing there.
    program.folder().write(".part", "mine");
    program.folder().write(".part.download", "mine too");
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { static_cast<QDialog *>(window)->reject(); });
    go(program, server.url("/report"));
    ASSERT_TRUE(waitFor([&] { return answerer.answered() == 1; }));
    app_testing::runLoop(500);
    EXPECT_TRUE(folder.entries().isEmpty()) << folder.entries().join(' ').toStdString();
    EXPECT_EQ(program.browser().pageWindows().downloads().running(), 0);
    EXPECT_EQ(program.folder().read(".part"), "mine");
    EXPECT_EQ(program.folder().read(".part.download"), "mine too");
}

TEST(Downloads, ExistingFileIsReplacedOnlyAfterTheUserSaysSo)
{
    const QByteArray body = bytesOf(5000);
    PageServer server({{"/report", attachment("report.bin", body)}});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    QDir().mkpath(folder.path());
    {
        QFile old(folder.file(QStringLiteral("report.bin")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        // A file of the user's that bears the temporary name stays as it is.
        QFile part(folder.file(QStringLiteral("report.bin.part")));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        part.write("mine");
    }
    // First time: No to the question, then Cancel. Second time: Yes.
    int questions = 0;
    DialogAnswerer save(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { accept(window); });
    DialogAnswerer replace(QStringLiteral("QMessageBox"), [&](QWidget *window) {
        auto *box = static_cast<QMessageBox *>(window);
        ++questions;
        if (questions == 1) {
            box->button(QMessageBox::No)->click();
            QTimer::singleShot(0, [] {
                if (QWidget *dialog = DialogAnswerer::find(QStringLiteral("SaveDownloadDialog")))
                    static_cast<QDialog *>(dialog)->reject();
            });
        } else {
            box->button(QMessageBox::Yes)->click();
        }
    });
    go(program, server.url("/report"));
    ASSERT_TRUE(waitFor([&] { return questions == 1 && !DialogAnswerer::find(QStringLiteral("SaveDownloadDialog")); }));
    app_testing::runLoop(300);
    EXPECT_EQ(folder.read(QStringLiteral("report.bin")), QByteArray("old"));

    program.main().Uppdatera1Click();
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("Finished")); }))
        << status(program).toStdString();
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(folder.read(QStringLiteral("report.bin")), body);
    EXPECT_EQ(folder.read(QStringLiteral("report.bin.part")), QByteArray("mine"));
    EXPECT_EQ(folder.entries(), (QStringList{QStringLiteral("report.bin"), QStringLiteral("report.bin.part")}));
}

TEST(Downloads, NamesFromTheServerBecomePlainFileNames)
{
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral("../../etc/passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral("..\\..\\boot.ini")), QStringLiteral("boot.ini"));
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral("a..b.txt")), QStringLiteral("a_b.txt"));
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral("dir/")), QStringLiteral("download"));
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral("..")), QStringLiteral("_"));
    EXPECT_EQ(platform::Download::cleanFileName(QStringLiteral(".hidden")), QStringLiteral("hidden"));
    EXPECT_EQ(platform::Download::cleanFileName(QString()), QStringLiteral("download"));

    // What the user types in the dialog is kept inside the chosen folder too.
    PageServer server({{"/report", attachment("report.bin", bytesOf(100))}});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [&](QWidget *window) {
        saveDialog(window)->selectFile(folder.file(QStringLiteral("x..y.bin")));
        accept(window);
    });
    go(program, server.url("/report"));
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("Finished")); }));
    EXPECT_EQ(folder.entries(), QStringList{QStringLiteral("x_y.bin")});
}

namespace {

// A download that never ends: a length announced, a part sent, then silence.
ScriptedServer stalledDownload()
{
    return ScriptedServer({Step::readUntil("\r\n\r\n"),
                           Step::send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                      "Content-Disposition: attachment; filename=\"big.iso\"\r\n"
                                      "Content-Length: 10000000\r\n\r\n"
                                      + bytesOf(100'000)),
                           Step::sleep(120'000)});
}

} // namespace

TEST(Downloads, CancelButtonStopsARunningDownloadAndRemovesItsPart)
{
    ScriptedServer server = stalledDownload();
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { accept(window); });
    go(program, QStringLiteral("http://127.0.0.1:%1/big").arg(server.port()));
    DownloadsWindow &downloads = program.browser().pageWindows().downloads();
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("97.7 KiB of 9.5 MiB")); }))
        << status(program).toStdString();
    EXPECT_EQ(downloads.running(), 1);
    // Bytes so far are kept under another name than the one chosen.
    EXPECT_FALSE(folder.entries().isEmpty());
    EXPECT_FALSE(folder.entries().contains(QStringLiteral("big.iso")));

    clickButton(downloads.findChild<QWidget *>(QStringLiteral("DownloadRow")), QStringLiteral("Cancel"));
    ASSERT_TRUE(waitFor([&] { return status(program) == QStringLiteral("Cancelled"); }));
    EXPECT_EQ(downloads.running(), 0);
    EXPECT_TRUE(waitFor([&] { return folder.entries().isEmpty(); })) << folder.entries().join(' ').toStdString();
}

TEST(Downloads, ClosingTheProgramWithARunningDownloadAsksFirst)
{
    ScriptedServer server = stalledDownload();
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { accept(window); });
    go(program, QStringLiteral("http://127.0.0.1:%1/big").arg(server.port()));
    DownloadsWindow &downloads = program.browser().pageWindows().downloads();
    ASSERT_TRUE(waitFor([&] { return downloads.running() == 1 && !folder.entries().isEmpty(); }));

    QMessageBox::StandardButton answer = QMessageBox::No;
    DialogAnswerer quit(QStringLiteral("QuitWithDownloads"),
                        [&](QWidget *window) { static_cast<QMessageBox *>(window)->button(answer)->click(); });
    EXPECT_FALSE(program.main().close());
    EXPECT_EQ(quit.answered(), 1);
    EXPECT_TRUE(program.main().isVisible());
    EXPECT_EQ(downloads.running(), 1);

    answer = QMessageBox::Yes;
    EXPECT_TRUE(program.main().close());
    EXPECT_EQ(quit.answered(), 2);
    EXPECT_EQ(downloads.running(), 0);
    EXPECT_TRUE(waitFor([&] { return folder.entries().isEmpty(); })) << folder.entries().join(' ').toStdString();
}

TEST(Downloads, FullDiskSaysWhyAndLeavesNoFileUnderTheName)
{
    // The engine starts saving before the name is chosen: the server holds
    // back most of the file until the limit below is in place.
    std::atomic<bool> limited = false;
    ScriptedServer server({Step::readUntil("\r\n\r\n"),
                           Step::send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                      "Content-Disposition: attachment; filename=\"big.bin\"\r\n"
                                      "Content-Length: 2000000\r\n\r\n"
                                      + bytesOf(1000)),
                           Step::run([&](ScriptedConnection &c) {
                               while (!limited && c.sleep(20)) {
                               }
                               c.send(bytesOf(1'999'000));
                           }),
                           Step::close()});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    // Once the name is chosen, files of this process may not grow past
    // 256 KiB: a write beyond fails as on a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    DialogAnswerer answerer(QStringLiteral("SaveDownloadDialog"), [&](QWidget *window) {
        const rlimit limit{256 * 1024, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        limited = true;
        accept(window);
    });
    go(program, QStringLiteral("http://127.0.0.1:%1/big").arg(server.port()));
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("Failed: ")); }))
        << status(program).toStdString() << answerer.answered() << folder.entries().join(' ').toStdString();
    EXPECT_GT(status(program).size(), QStringLiteral("Failed: ").size());
    EXPECT_TRUE(waitFor([&] { return folder.entries().isEmpty(); })) << folder.entries().join(' ').toStdString();
    const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &none);
}

TEST(Downloads, WindowOpenedForAnAttachmentDownloadsItAndLeavesTheOpener)
{
    const QByteArray body = bytesOf(40'000);
    PageServer server({{"/notebook", "<html><head><title>Notebook</title></head><body>"
                                     "<a href='#' style='display:block;position:fixed;inset:0' onclick=\"const w = "
                                     "window.open('', '_blank'); w.location = '/export'; return false\">x</a></body></html>"},
                       {"/export", attachment("notebook.txt", body)}});
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    DialogAnswerer save(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { accept(window); });
    ASSERT_TRUE(program.open(server.url("/notebook"), QStringLiteral("Notebook")));
    const QString caption = QStringLiteral("Notebook [Done]");
    ASSERT_TRUE(waitFor([&] { return program.browser().windowTitle() == caption; }));
    QWidget *page = program.browser().WebBrowser1().widget()->focusProxy();
    ASSERT_TRUE(waitFor([&] { return page && page->isVisible(); }));
    QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(waitFor([&] { return status(program).startsWith(QStringLiteral("Finished")); }))
        << status(program).toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("notebook.txt")), body);
    EXPECT_EQ(save.answered(), 1);
    app_testing::runLoop(300);
    EXPECT_EQ(program.browser().WebBrowser1().LocationURL(), server.url("/notebook"));
    EXPECT_EQ(program.browser().windowTitle(), caption);
}

TEST(Downloads, PageDownloadingInALoopIsAskedOnceAndBlocked)
{
    QHash<QByteArray, QByteArray> pages{
        {"/loop", "<html><head><title>Loop</title></head><body><script>let n = 0; "
                  "const timer = setInterval(() => { const a = document.createElement('a'); "
                  "a.href = '/file?' + n; a.download = 'f' + n + '.bin'; a.click(); "
                  "if (++n == 12) { clearInterval(timer); setTimeout(() => document.title = 'Done', 1500); } }, 300)"
                  "</script></body></html>"}};
    for (int i = 0; i < 12; ++i)
        pages.insert("/file?" + QByteArray::number(i), attachment("f.bin", bytesOf(100)));
    PageServer server(pages);
    DownloadFolder folder;
    ProgramWindows program;
    program.start();
    // The page's first file gets its dialog, as any other; the question
    // comes with the second and Block keeps every later one away.
    DialogAnswerer save(QStringLiteral("SaveDownloadDialog"), [](QWidget *window) { static_cast<QDialog *>(window)->reject(); });
    QString text;
    QString defaultButton;
    DialogAnswerer question(QStringLiteral("SeveralDownloads"), [&](QWidget *window) {
        auto *box = static_cast<QMessageBox *>(window);
        text = box->text();
        defaultButton = box->defaultButton()->text();
        clickButton(box, QStringLiteral("Block"));
    });
    program.go(server.url("/loop"));
    ASSERT_TRUE(waitFor([&] {
        return program.browser().WebBrowser1().LocationName() == QStringLiteral("Done");
    }, 60000));
    EXPECT_EQ(question.answered(), 1);
    EXPECT_EQ(text, QStringLiteral("This site wants to download several files."));
    EXPECT_EQ(defaultButton, QStringLiteral("Block"));
    EXPECT_LE(save.answered(), 1);
    EXPECT_TRUE(folder.entries().isEmpty()) << folder.entries().join(' ').toStdString();
}
