#include "pagewindows/downloads_window.h"

#include "platform/download.h"
#include "platform/page_question.h"
#include "platform/shell.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString bytesText(qint64 bytes)
{
    // Powers of 1024 carry their own units ("MiB"): "MB" is a million bytes.
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat);
}

// One line of the list. It follows its download until the download ends.
class DownloadRow : public QWidget {
public:
    DownloadRow(platform::Download *download, QWidget *parent) : QWidget(parent), m_download(download)
    {
        setObjectName(QStringLiteral("DownloadRow"));
        auto *layout = new QVBoxLayout(this);
        m_name = new QLabel(QFileInfo(download->path()).fileName(), this);
        m_name->setObjectName(QStringLiteral("Name"));
        m_name->setTextFormat(Qt::PlainText);
        QFont bold = m_name->font();
        bold.setBold(true);
        m_name->setFont(bold);
        layout->addWidget(m_name);
        m_bar = new QProgressBar(this);
        m_bar->setObjectName(QStringLiteral("Progress"));
        m_bar->setTextVisible(false);
        layout->addWidget(m_bar);
        auto *line = new QHBoxLayout;
        m_status = new QLabel(this);
        m_status->setObjectName(QStringLiteral("Status"));
        m_status->setTextFormat(Qt::PlainText);
        m_status->setWordWrap(true);
        line->addWidget(m_status, 1);
        m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
        m_cancel->setObjectName(QStringLiteral("Cancel"));
        auto *folder = new QPushButton(QStringLiteral("Open folder"), this);
        folder->setObjectName(QStringLiteral("OpenFolder"));
        line->addWidget(m_cancel);
        line->addWidget(folder);
        layout->addLayout(line);
        connect(m_cancel, &QPushButton::clicked, download, &platform::Download::cancel);
        connect(folder, &QPushButton::clicked, this, [download] {
            platform::shellOpen(QFileInfo(download->path()).absolutePath());
        });
        connect(download, &platform::Download::changed, this, [this] { update(); });
        update();
    }

private:
    void update()
    {
        using State = platform::Download::State;
        const qint64 received = m_download->receivedBytes();
        const qint64 total = m_download->totalBytes();
        switch (m_download->state()) {
        case State::Asking:
        case State::Running:
            if (total > 0) {
                m_bar->setRange(0, 1000);
                m_bar->setValue(int(received * 1000 / total));
                m_status->setText(QStringLiteral("%1 of %2, %3/s")
                                      .arg(bytesText(received), bytesText(total),
                                           bytesText(qint64(m_download->bytesPerSecond()))));
            } else {
                m_bar->setRange(0, 0);
                m_status->setText(QStringLiteral("%1, %2/s")
                                      .arg(bytesText(received), bytesText(qint64(m_download->bytesPerSecond()))));
            }
            return;
        case State::Finished:
            m_bar->setRange(0, 1);
            m_bar->setValue(1);
            m_status->setText(QStringLiteral("Finished: %1").arg(bytesText(received)));
            break;
        case State::Cancelled:
            m_status->setText(QStringLiteral("Cancelled"));
            break;
        case State::Failed:
            m_status->setText(QStringLiteral("Failed: %1").arg(m_download->failureReason()));
            break;
        }
        if (m_bar->maximum() == 0)
            m_bar->setRange(0, 1);
        m_cancel->setEnabled(false);
    }

    platform::Download *m_download;
    QLabel *m_name;
    QProgressBar *m_bar;
    QLabel *m_status;
    QPushButton *m_cancel;
};

} // namespace

DownloadsWindow::DownloadsWindow() : QWidget(nullptr, Qt::Window)
{
    setObjectName(QStringLiteral("DownloadsWindow"));
    setWindowTitle(QStringLiteral("Downloads"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto *list = new QWidget(scroll);
    m_rows = new QVBoxLayout(list);
    m_rows->addStretch(1);
    scroll->setWidget(list);
    outer->addWidget(scroll);
    resize(420, 260);
}

void DownloadsWindow::start(platform::Download *download, WebEngine *page)
{
    // The engine waits for the answer; the widget dialog asks before
    // replacing an existing file.
    auto *dialog = new QFileDialog(nullptr, QStringLiteral("Save download"),
                                   QDir(platform::downloadFolder()).filePath(download->suggestedFileName()));
    dialog->setObjectName(QStringLiteral("SaveDownloadDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->selectFile(download->suggestedFileName());
    QStringList chosenFiles;
    int result = QDialog::Rejected;
    if (page) {
        result = platform::askOnPage(*page, dialog, [&](QDialog &shown) {
            chosenFiles = static_cast<QFileDialog &>(shown).selectedFiles();
        });
    } else {
        result = dialog->exec();
        chosenFiles = dialog->selectedFiles();
        delete dialog;
    }
    if (result != QDialog::Accepted || chosenFiles.isEmpty()) {
        download->cancel();
        return;
    }
    // What the user typed is taken as a name inside the chosen folder.
    const QFileInfo chosen(chosenFiles.constFirst());
    download->accept(QDir(chosen.absolutePath()).filePath(platform::Download::cleanFileName(chosen.fileName())));
    add(download);
}

void DownloadsWindow::add(platform::Download *download)
{
    m_downloads.append(download);
    m_rows->insertWidget(m_rows->count() - 1, new DownloadRow(download, this));
    show();
    raise();
}

int DownloadsWindow::running() const
{
    int count = 0;
    for (const platform::Download *download : m_downloads)
        count += download->state() == platform::Download::State::Running;
    return count;
}

void DownloadsWindow::cancelAll()
{
    for (platform::Download *download : std::as_const(m_downloads))
        download->cancel();
}
