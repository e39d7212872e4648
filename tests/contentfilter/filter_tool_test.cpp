// kestrelon-filter as the benchmark drives it.
#include "support/core/temp_folder.h"

#include <QProcess>

#include <gtest/gtest.h>

using testing_support::TempCurrentFolder;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess tool;
    tool.start(QStringLiteral(KESTRELON_FILTER), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
}

} // namespace

TEST(FilterTool, PrintsEachDecisionWithItsRule)
{
    TempCurrentFolder folder;
    folder.write("list.txt", "||ads.example^\n@@||ads.example/ok^\n");
    const ToolRun run = runTool({folder.file("list.txt")}, "https://ads.example/a.js https://site.example/ script\n"
                                                       "https://ads.example/ok/a.js - script\n"
                                                       "https://site.example/a.png https://site.example/ image\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.out, "block\thttps://ads.example/a.js\t||ads.example^\n"
                       "allow\thttps://ads.example/ok/a.js\t@@||ads.example/ok^\n"
                       "allow\thttps://site.example/a.png\t\n");
}

TEST(FilterTool, BadRequestLinesAndArgumentsAreReported)
{
    TempCurrentFolder folder;
    folder.write("list.txt", "||ads.example^\n");
    const ToolRun bad = runTool({folder.file("list.txt")}, "https://ads.example/ - no-such-type\nonly-a-url\n"
                                                       "https://ads.example/ - image\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "block\thttps://ads.example/\t||ads.example^\n");
    EXPECT_TRUE(bad.err.contains("2 lines")) << bad.err.constData();
    EXPECT_EQ(runTool({}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("--nope"), folder.file("list.txt")}).exitCode, 2);
    const ToolRun missing = runTool({folder.file("missing.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.constData();
}
