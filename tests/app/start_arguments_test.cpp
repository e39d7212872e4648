// The command line: which argument becomes the address and how.

#include "app/start_arguments.h"
#include "support/core/temp_folder.h"

#include <QUrl>

#include <gtest/gtest.h>

using Action = StartArguments::Action;

TEST(StartArguments, NoArgumentStartsAsUsualAndHelpOrVersionWinAnywhere)
{
    const StartArguments none = parseStartArguments({}, "/");
    EXPECT_EQ(none.action, Action::Run);
    EXPECT_FALSE(none.address.has_value());
    // An empty argument is what a desktop leaves of a missing %u.
    EXPECT_FALSE(parseStartArguments({""}, "/").address.has_value());
    EXPECT_EQ(parseStartArguments({"http://a/", "--help"}, "/").action, Action::Help);
    EXPECT_EQ(parseStartArguments({"-h"}, "/").action, Action::Help);
    EXPECT_EQ(parseStartArguments({"--version"}, "/").action, Action::Version);
    EXPECT_TRUE(usageText().startsWith("Usage: kestrelon [ADDRESS]\n"));
    EXPECT_EQ(versionText(), "Kestrelon Beta 1.6\n");
}

TEST(StartArguments, AddressesStayAsWrittenAndOnlyTheFirstCounts)
{
    const StartArguments three = parseStartArguments({"http://127.0.0.1:8/p.html", "b", "c"}, "/");
    EXPECT_EQ(three.address, "http://127.0.0.1:8/p.html");
    EXPECT_EQ(three.ignored, (QStringList{"b", "c"}));
    // Switches for Qt and the web engine are not addresses.
    EXPECT_EQ(parseStartArguments({"--disable-gpu", "about:blank"}, "/").address, "about:blank");
    // Neither a scheme nor an existing file: handed over as typed text.
    EXPECT_EQ(parseStartArguments({"example.org/x y"}, "/nonexistent").address, "example.org/x y");
    EXPECT_EQ(parseStartArguments({"HTTPS://A/"}, "/").address, "HTTPS://A/");
}

TEST(StartArguments, AnExistingFileOpensAsItsFileUrl)
{
    testing_support::TempCurrentFolder dir;
    dir.write("my page.html", "<title>x</title>");
    dir.write("-dash.html", "x");
    const QString base = "file://" + QString::fromUtf8(QUrl::toPercentEncoding(dir.path(), "/"));
    EXPECT_EQ(parseStartArguments({"my page.html"}, dir.path()).address, base + "/my%20page.html");
    EXPECT_EQ(parseStartArguments({dir.file("my page.html")}, "/").address, base + "/my%20page.html");
    // A folder is opened as well (the engine lists it).
    EXPECT_EQ(parseStartArguments({"."}, dir.path()).address, base);
    // "--" ends the switches, so a name that starts with '-' can be opened.
    EXPECT_FALSE(parseStartArguments({"-dash.html"}, dir.path()).address.has_value());
    EXPECT_EQ(parseStartArguments({"--", "-dash.html"}, dir.path()).address, base + "/-dash.html");
    // A missing file is typed text, relative as given.
    EXPECT_EQ(parseStartArguments({"gone.html"}, dir.path()).address, "gone.html");
}
