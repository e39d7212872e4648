// What a restart keeps, and which window is in front: the real program
// under a window manager on a display of the test's own.
#include "support/core/page_server.h"
#include "support/gui/installation.h"
#include "support/gui/private_display.h"
#include "toolkit/core/record_file.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSize>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using testing_support::PageServer;
using testing_support::PrivateDisplay;
using testing_support::ProgramProcess;
using testing_support::TempInstallation;

namespace {

const QString kMainCaption = QStringLiteral("Kestrelon Beta 1.6");
// The browser window's caption once the test page is done, as a pattern.
const QString kPageCaption = QStringLiteral("Restart \\[Done\\]");

// Where a window is as the user sees it: its frame's corner, its inside.
struct Seen {
    QPoint frame;
    QSize client;
    bool operator==(const Seen &other) const { return frame == other.frame && client == other.client; }
};

std::ostream &operator<<(std::ostream &out, const Seen &seen)
{
    return out << seen.frame.x() << ',' << seen.frame.y() << ' ' << seen.client.width() << 'x' << seen.client.height();
}

bool waitUntil(const std::function<bool()> &done, int ms = 30000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.start()) << display.error().toStdString();
        ASSERT_TRUE(display.startWindowManager()) << display.error().toStdString();
    }

    std::unique_ptr<ProgramProcess> program(const QStringList &arguments = {})
    {
        auto process = std::make_unique<ProgramProcess>(folder.path());
        process->setEnvironmentValue(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process->setEnvironmentValue(QStringLiteral("DISPLAY"), display.name());
        EXPECT_TRUE(process->start(arguments)) << process->output().constData();
        return process;
    }

    QByteArray xprop(const QStringList &arguments)
    {
        return display.run(QStringLiteral("xprop"), arguments).value_or(QByteArray());
    }

    // The numbers after the first '=' or '#' of an xprop answer.
    QList<quint32> numbers(const QByteArray &answer)
    {
        qsizetype start = answer.indexOf('#');
        if (start < 0)
            start = answer.indexOf('=');
        QList<quint32> values;
        for (const QByteArray &part : answer.mid(start + 1).split(',')) {
            bool ok = false;
            const quint32 value = part.trimmed().toUInt(&ok, 0);
            if (ok)
                values.append(value);
        }
        return values;
    }

    // Bottom first, as the manager keeps it.
    QList<quint32> stacking()
    {
        return numbers(xprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    }
    quint32 active()
    {
        return numbers(xprop({QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")})).value(0);
    }
    bool maximized(quint32 id)
    {
        return xprop({QStringLiteral("-id"), QString::number(id), QStringLiteral("_NET_WM_STATE")})
            .contains("_NET_WM_STATE_MAXIMIZED_HORZ");
    }

    // Empty until the manager has framed the window.
    std::optional<Seen> seen(quint32 id)
    {
        const QList<quint32> extents =
            numbers(xprop({QStringLiteral("-id"), QString::number(id), QStringLiteral("_NET_FRAME_EXTENTS")}));
        const auto info = display.run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(id)});
        if (extents.size() != 4 || !info)
            return std::nullopt;
        auto field = [&](const QByteArray &name) {
            const qsizetype at = info->indexOf(name);
            return at < 0 ? -1 : info->mid(at + name.size()).split('\n').first().trimmed().toInt();
        };
        // Extents: left, right, top, bottom.
        return Seen{QPoint(field("Absolute upper-left X:") - int(extents[0]),
                           field("Absolute upper-left Y:") - int(extents[2])),
                    QSize(field("Width:"), field("Height:"))};
    }

    Seen settled(quint32 id)
    {
        std::optional<Seen> now;
        EXPECT_TRUE(waitUntil([&] { return (now = seen(id)).has_value(); }));
        return now.value_or(Seen{});
    }

    // As a user does it: a double click on the caption, at its right end
    // (the main window may lie over the rest), left of the buttons.
    void toggleMaximized(quint32 id)
    {
        const Seen now = settled(id);
        const QList<quint32> extents =
            numbers(xprop({QStringLiteral("-id"), QString::number(id), QStringLiteral("_NET_FRAME_EXTENTS")}));
        const int x = now.frame.x() + now.client.width() - 80;
        const int y = now.frame.y() + int(extents.value(2)) / 2;
        ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                                {QStringLiteral("mousemove"), QString::number(x), QString::number(y)}));
        ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                                {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                 QStringLiteral("--delay"), QStringLiteral("100"), QStringLiteral("1")}));
    }

    // Closes the program as a user does, from its main window's frame: the
    // request comes through the window system after every move before it.
    int closeFromTheWindow(ProgramProcess &run)
    {
        const quint32 main = display.waitForWindow(kMainCaption);
        EXPECT_TRUE(display.run(QStringLiteral("xdotool"),
                                {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(main)}));
        EXPECT_TRUE(display.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")}));
        return run.wait();
    }

    PrivateDisplay display;
    PageServer server{
        {{"/page", "<html><head><title>Restart</title></head><body><a href=\"#x\">link</a></body></html>"}}};
    TempInstallation folder;
};

TEST_F(Desktop, TheBrowserWindowComesBackWhereItWasAsLargeAndMaximised)
{
    const QString url = server.url("/page");
    Seen moved;
    {
        auto run = program({url});
        const quint32 browser = display.waitForWindow(kPageCaption);
        ASSERT_NE(browser, 0u) << run->output().constData();
        const Seen first = settled(browser);
        // The first start uses the windows' own places, frames included.
        EXPECT_EQ(first.frame, QPoint(187, 125));
        const quint32 main = display.waitForWindow(kMainCaption);
        EXPECT_TRUE(waitUntil([&] {
            const auto now = seen(main);
            return now && now->frame == QPoint(308, 149);
        })) << settled(main);
        display.run(QStringLiteral("xdotool"), {QStringLiteral("windowsize"), QString::number(browser),
                                                QStringLiteral("640"), QStringLiteral("400")});
        display.run(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QString::number(browser),
                                                QStringLiteral("301"), QStringLiteral("203")});
        ASSERT_TRUE(waitUntil([&] {
            const auto now = seen(browser);
            return now && now->client == QSize(640, 400) && now->frame != first.frame;
        }));
        moved = settled(browser);
        EXPECT_EQ(closeFromTheWindow(*run), 0);
    }
    {
        auto run = program({url});
        const quint32 browser = display.waitForWindow(kPageCaption);
        ASSERT_NE(browser, 0u) << run->output().constData();
        EXPECT_EQ(settled(browser), moved);
        toggleMaximized(browser);
        ASSERT_TRUE(waitUntil([&] { return maximized(browser); }));
        EXPECT_EQ(closeFromTheWindow(*run), 0);
    }
    auto run = program({url});
    const quint32 browser = display.waitForWindow(kPageCaption);
    ASSERT_NE(browser, 0u) << run->output().constData();
    ASSERT_TRUE(waitUntil([&] { return maximized(browser); }));
    // Leaving the maximised state goes back to the size the user had chosen.
    toggleMaximized(browser);
    ASSERT_TRUE(waitUntil([&] { return !maximized(browser); }));
    EXPECT_TRUE(waitUntil([&] { return seen(browser) == moved; })) << settled(browser) << " instead of " << moved;
    EXPECT_EQ(closeFromTheWindow(*run), 0);
}

TEST_F(Desktop, APlaceNoScreenShowsFallsBackToTheWindowsOwn)
{
    // The screen is 1280 x 1024.
    folder.write(QStringLiteral("engine/windows.ini"),
                 "TForm1.place=5000,5000\nTForm1.size=600,400\nTForm1.maximized=0\n");
    auto run = program({server.url("/page")});
    const quint32 browser = display.waitForWindow(kPageCaption);
    ASSERT_NE(browser, 0u) << run->output().constData();
    const Seen now = settled(browser);
    EXPECT_EQ(now.frame, QPoint(187, 125));
    EXPECT_EQ(now.client, QSize(600, 400));
    EXPECT_EQ(run->terminate(), 0);
}

// Go shows the page in front with the focus, and the main window (the only
// menu) stays above it, also when the user clicks into a maximised page.
TEST_F(Desktop, GoPutsThePageInFrontWithTheFocusAndKeepsTheMainWindowAboveIt)
{
    auto run = program();
    ASSERT_TRUE(display.typeInto(kMainCaption, server.url("/page")));
    const quint32 browser = display.waitForWindow(kPageCaption);
    const quint32 main = display.waitForWindow(kMainCaption);
    ASSERT_NE(browser, 0u) << run->output().constData();
    auto mainAboveBrowser = [&] {
        const QList<quint32> order = stacking();
        return order.contains(main) && order.contains(browser) && order.indexOf(main) > order.indexOf(browser);
    };
    EXPECT_TRUE(waitUntil([&] { return active() == browser; })) << active();
    EXPECT_TRUE(waitUntil(mainAboveBrowser));

    toggleMaximized(browser);
    ASSERT_TRUE(waitUntil([&] { return maximized(browser); }));
    const Seen page = settled(browser);
    // The focus elsewhere first, so the click's effect can be waited for.
    ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(main)}));
    ASSERT_TRUE(waitUntil([&] { return active() == main; }));
    // Into the page, away from the main window.
    ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                            {QStringLiteral("mousemove"), QString::number(page.frame.x() + page.client.width() - 40),
                             QString::number(page.frame.y() + page.client.height() - 40)}));
    ASSERT_TRUE(display.run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")}));
    EXPECT_TRUE(waitUntil([&] { return active() == browser; })) << active();
    // The manager raises what it raises on a click before it gives the focus.
    EXPECT_TRUE(mainAboveBrowser()) << stacking().size();
    EXPECT_EQ(run->terminate(), 0);
}

qint32 totalPages(const TempInstallation &folder)
{
    QFile file(folder.file(QStringLiteral("config/stat.cfg")));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    return bytes.size() < 4 ? -1
                            : qint32(quint32(quint8(bytes[0])) | quint32(quint8(bytes[1])) << 8
                                     | quint32(quint8(bytes[2])) << 16 | quint32(quint8(bytes[3])) << 24);
}

QList<QByteArray> historyEntries(const TempInstallation &folder)
{
    // Written as "History.cfg" over the "history.cfg" that was read.
    QFile file(folder.file(QStringLiteral("config/history.cfg")));
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    bytes.replace(char(0xF6), char(0xE4));
    QList<QByteArray> entries = bytes.split(char(0xE4));
    entries.removeAll(QByteArray());
    return entries;
}

TEST_F(Desktop, AfterAKillTheNextStartOffersThePageAndYesOpensItThroughGo)
{
    const QString url = server.url("/page");
    const QString kept = folder.file(QStringLiteral("engine/last-page.txt"));
    {
        auto run = program({url});
        ASSERT_TRUE(run->waitForOutput("browser caption: Restart [Done]")) << run->output().constData();
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(kept); }));
        run->signal(SIGKILL);
        run->wait();
    }
    const qint32 totalBefore = totalPages(folder);
    const qsizetype historyBefore = historyEntries(folder).size();
    {
        auto run = program();
        ASSERT_TRUE(run->waitForOutput("asking to reopen the page")) << run->output().constData();
        const quint32 question = display.waitForWindow(QStringLiteral("Kestrelon"));
        ASSERT_NE(question, 0u);
        ASSERT_TRUE(display.run(QStringLiteral("xdotool"),
                                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(question)}));
        ASSERT_TRUE(display.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+y")}));
        ASSERT_TRUE(run->waitForOutput("browser caption: Restart [Done]")) << run->output().constData();
        EXPECT_EQ(run->terminate(), 0);
    }
    EXPECT_EQ(totalPages(folder), totalBefore + 1);
    const QList<QByteArray> history = historyEntries(folder);
    EXPECT_EQ(history.size(), historyBefore + 1);
    EXPECT_EQ(history.value(history.size() - 1), url.toLatin1());
    EXPECT_FALSE(QFileInfo::exists(kept));

    // A start after a close through the close step asks nothing.
    auto run = program();
    EXPECT_TRUE(run->waitForOutput("no page to reopen")) << run->output().constData();
    EXPECT_EQ(run->terminate(), 0);
}

} // namespace
