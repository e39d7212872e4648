// The hand-over between two starts on one folder, both in this process: the
// protocol, and a server that survives clients that are not later starts.

#include "app/single_instance.h"
#include "support/core/temp_folder.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using Outcome = SingleInstance::Outcome;

TEST(SingleInstance, ALaterStartHandsItsAddressOrNoneToTheFirst)
{
    testing_support::TempCurrentFolder folder;
    SingleInstance first(folder.path());
    ASSERT_EQ(first.start(std::nullopt), Outcome::First);
    QSignalSpy requests(&first, &SingleInstance::requested);

    {
        SingleInstance later(folder.path());
        EXPECT_EQ(later.start(QStringLiteral("http://127.0.0.1:1/\u00e9 x")), Outcome::HandedOver);
    }
    ASSERT_TRUE(requests.wait(10000));
    EXPECT_EQ(requests.at(0).at(0).value<std::optional<QString>>(), QStringLiteral("http://127.0.0.1:1/\u00e9 x"));

    {
        SingleInstance later(folder.path() + "/."); // the same folder by another spelling
        EXPECT_EQ(later.start(std::nullopt), Outcome::HandedOver);
    }
    ASSERT_TRUE(requests.count() == 2 || requests.wait(10000));
    EXPECT_FALSE(requests.at(1).at(0).value<std::optional<QString>>().has_value());
}

TEST(SingleInstance, ClientsThatAreNoLaterStartChangeNothing)
{
    testing_support::TempCurrentFolder folder;
    SingleInstance first(folder.path());
    ASSERT_EQ(first.start(std::nullopt), Outcome::First);
    QSignalSpy requests(&first, &SingleInstance::requested);

    // Another version of the hand-over, a flood, and one that says half and goes.
    QLocalSocket wrongVersion, flood, half;
    for (QLocalSocket *socket : {&wrongVersion, &flood, &half}) {
        socket->connectToServer(SingleInstance::serverName(folder.path()));
        ASSERT_TRUE(socket->waitForConnected(10000));
    }
    QByteArray request;
    QDataStream(&request, QIODevice::WriteOnly) << quint8(9) << true << QStringLiteral("http://x/");
    wrongVersion.write(request);
    flood.write(QByteArray(2 << 20, 'x'));
    half.write(QByteArray("\x01\x01\x00", 3));
    for (QLocalSocket *socket : {&wrongVersion, &flood, &half})
        socket->flush();
    half.disconnectFromServer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return wrongVersion.state() == QLocalSocket::UnconnectedState; }, 10000));

    // A real later start still gets through, and it alone is taken.
    SingleInstance later(folder.path());
    EXPECT_EQ(later.start(QStringLiteral("http://127.0.0.1:1/real")), Outcome::HandedOver);
    ASSERT_TRUE(requests.wait(10000));
    QTest::qWait(0);
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests.at(0).at(0).value<std::optional<QString>>(), QStringLiteral("http://127.0.0.1:1/real"));
}

TEST(SingleInstance, FoldersAreKeptApart)
{
    testing_support::TempCurrentFolder one;
    testing_support::TempCurrentFolder two;
    EXPECT_NE(SingleInstance::serverName(one.path()), SingleInstance::serverName(two.path()));
    SingleInstance a(one.path());
    SingleInstance b(two.path());
    EXPECT_EQ(a.start(std::nullopt), Outcome::First);
    EXPECT_EQ(b.start(std::nullopt), Outcome::First);
}
