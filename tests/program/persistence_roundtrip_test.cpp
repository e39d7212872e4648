#include "support/gui/installation.h"

#include <gtest/gtest.h>

using testing_support::ProgramProcess;
using testing_support::TempInstallation;

namespace {
const QByteArray kSeven("\x07\x00\x00\x00", 4);
}

// The real program, started and stopped with SIGTERM, writes back exactly
// what it read: one more empty history entry, one template copy, the counter.
TEST(ProgramFiles, TerminatedProgramWritesBackByteForByte)
{
    TempInstallation folder;
    folder.write("config/history.cfg", QByteArray("a\xe4" "b\xf6"));
    folder.write("config/Kestrelon.cfg", "120" + TempInstallation::templateText() + "stale copy");
    folder.write("config/stat.cfg", kSeven);

    ProgramProcess program(folder.path());
    ASSERT_TRUE(program.start()) << program.output().constData();
    EXPECT_EQ(program.terminate(), 0) << program.output().constData();

    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("a\xe4" "b\xe4\xf6"));
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "120" + TempInstallation::templateText());
    EXPECT_EQ(folder.read("config/stat.cfg"), kSeven);
}

TEST(ProgramFiles, FreshInstallationSurvivesTwoRuns)
{
    TempInstallation folder;
    const QByteArray settings = folder.read("config/Kestrelon.cfg");
    for (int run = 0; run < 2; ++run) {
        ProgramProcess program(folder.path());
        ASSERT_TRUE(program.start()) << program.output().constData();
        EXPECT_EQ(program.terminate(), 0);
    }
    // 246 -> 228 246 -> 228 228 246: one empty entry more per run.
    EXPECT_EQ(folder.read("config/history.cfg"), QByteArray("\xe4\xe4\xf6"));
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), settings);
    EXPECT_EQ(folder.read("config/stat.cfg"), QByteArray(4, '\0'));
}

TEST(ProgramFiles, MissingTemplateDoesNotTrapTheProgram)
{
    TempInstallation folder;
    QFile::remove(folder.file("config/template.cfg"));
    ProgramProcess program(folder.path());
    ASSERT_TRUE(program.start());
    // The error is told and the program still ends, the settings file
    // holding its three bytes.
    EXPECT_EQ(program.terminate(), 0);
    EXPECT_TRUE(program.output().contains("File not found")) << program.output().constData();
    EXPECT_EQ(folder.read("config/Kestrelon.cfg"), "011");
}
