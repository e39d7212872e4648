#include <QElapsedTimer>
#include <QTimer>
#include <cerrno>
#include <set>

#include "socket/error_table.h"
#include "toolkit/core/error_report.h"
#include "socket_fixture.h"

TEST(NthWord, FieldsBetweenSingleDelimiters)
{
    EXPECT_EQ(NthWord("HTTP/1.0 200 OK", ' ', 2), "200");
    EXPECT_EQ(NthWord("HTTP/1.0 200 OK", ' ', 1), "HTTP/1.0");
    EXPECT_EQ(NthWord("HTTP/1.0 200 OK", ' ', 3), "OK");
    EXPECT_EQ(NthWord("a,,b", ',', 3), "b");
    EXPECT_EQ(NthWord("a,,b", ',', 2), "");
    EXPECT_EQ(NthWord("a,b", ',', 3), "");
    EXPECT_EQ(NthWord("a,b,", ',', 3), "");
    EXPECT_EQ(NthWord("", ',', 1), "");
    EXPECT_EQ(NthWord("a,b", ',', 0), "");
    EXPECT_EQ(NthWord("a,b", ',', -1), "");
    EXPECT_EQ(NthWord(",a", ',', 1), "");
}

TEST(NthPos, PositionOfTheNthDelimiter)
{
    EXPECT_EQ(NthPos("http://host/path", '/', 3), 12);
    EXPECT_EQ(NthPos("http://host", '/', 3), 12);  // length + 1
    EXPECT_EQ(NthPos("http://host/", '/', 3), 12); // the last character
    EXPECT_EQ(NthPos("http://host/a/b", '/', 4), 14);
    EXPECT_EQ(NthPos("abc", '/', 1), 4);
}

TEST(TExStringList, SetHeaderReplacesInPlaceAndDeletesByName)
{
    TExStringList list;
    list.SetHeader("Host", "example");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "Host: example");

    list.SetHeader("Accept", "*/*");
    list.SetHeader("host", "other");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], "host: other"); // kept its place
    EXPECT_EQ(list[1], "Accept: */*");

    list.SetHeader("HOST", "");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "Accept: */*");
    list.SetHeader("Missing", ""); // nothing to delete
    EXPECT_EQ(list.Count(), 1);
}

TEST(TExStringList, NamesAreTakenExactlyBeforeTheFirstColon)
{
    TExStringList list;
    list.Add("no colon here");
    list.Add("Accept : text/html");
    list.Add("Accept:text/html");
    list.Add("X: a: b");
    EXPECT_EQ(list.IndexOfHeader("Accept"), 2);
    EXPECT_EQ(list.IndexOfHeader("accept "), 1);
    EXPECT_EQ(list.IndexOfHeader("X"), 3);
    EXPECT_EQ(list.IndexOfHeader("no colon here"), -1);
    EXPECT_EQ(list.IndexOfHeader(""), -1);
    list.Add(": empty name");
    EXPECT_EQ(list.IndexOfHeader(""), 4);
    EXPECT_EQ(TExStringList().IndexOfHeader("Host"), -1);
}

TEST(TExStringList, SortedListFindsByBinarySearch)
{
    TExStringList list;
    list.Sorted = true;
    for (const char *line : {"Pragma: no-cache", "accept: */*", "Host: h", "User-Agent: k", "Cookie: c", "Date: d"})
        list.Add(line);
    ASSERT_EQ(list.Count(), 6);
    EXPECT_EQ(list[0], "accept: */*");
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.IndexOfHeader(list[i].left(list[i].indexOf(':'))), i) << list[i].constData();
    EXPECT_EQ(list.IndexOfHeader("HOST"), list.indexOf("Host: h"));
    EXPECT_EQ(list.IndexOfHeader("Zzz"), -1);
    EXPECT_EQ(list.IndexOfHeader("Aaa"), -1);
    EXPECT_EQ(list.IndexOfHeader("Expires"), -1);
}

TEST(ErrorTexts, TableRowsAndUnknownNumbers)
{
    TestSock sock;
    QByteArray text;
    sock.LookupErrorMessage(10061, text);
    EXPECT_EQ(text, "10061:Connection refused");
    sock.LookupErrorMessage(11004, text);
    EXPECT_EQ(text, "11004:Valid name, no data record of requested type");
    sock.LookupErrorMessage(12345, text);
    EXPECT_EQ(text, "Unknown Error No. 12345");
    text = "junk";
    sock.LookupErrorMessage(0, text);
    EXPECT_EQ(text, "");

    std::set<int> numbers;
    for (const auto &row : kSocketErrors) {
        numbers.insert(row.number);
        EXPECT_LE(std::strlen(row.message), 51u);
    }
    EXPECT_EQ(numbers.size(), 50u);
}

TEST(ErrorTexts, ErrnoValuesMapToTheTableNumbers)
{
    EXPECT_EQ(sockets::FromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(sockets::FromErrno(ECONNRESET), 10054);
    EXPECT_EQ(sockets::FromErrno(EAGAIN), 10035);
    EXPECT_EQ(sockets::FromErrno(ENOTCONN), 10057);
    EXPECT_EQ(sockets::FromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(sockets::FromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(sockets::FromErrno(EADDRINUSE), 10048);
    // Unknown to the table, but still above 10000, so it raises.
    EXPECT_EQ(sockets::FromErrno(EIO), 20000 + EIO);
}

TEST(ErrorTexts, ErrorCheckRaisesAllButTheIgnoredNumber)
{
    TestSock sock;
    std::vector<std::pair<int, QByteArray>> reported;
    sock.OnSocketError = [&](QObject *, quint16 number, const QByteArray &text) { reported.emplace_back(number, text); };
    // A receive on the unconnected socket fails with "not connected".
    char byte;
    ASSERT_EQ(sockets::Recv(sock.SocketHandle, &byte, 1, 0), -1);
    QByteArray text = "x";
    EXPECT_EQ(errorOf([&] { sock.ErrorCheck(10035, text); }), "10057:Socket is not connected");
    EXPECT_EQ(sock.LastErrorNo, 10057);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].first, 10057);
    EXPECT_EQ(reported[0].second, "10057:Socket is not connected");

    ASSERT_EQ(sockets::Recv(sock.SocketHandle, &byte, 1, 0), -1);
    EXPECT_EQ(errorOf([&] { sock.ErrorCheck(10057, text); }), "");
    EXPECT_EQ(text, "");
}

TEST(StatusMessages, LevelsAndSwallowedHandlerErrors)
{
    TestSock sock;
    QByteArrayList seen;
    sock.OnStatus = [&](QObject *sender, QByteArray status) {
        EXPECT_EQ(sender, &sock);
        seen << status;
        throw Exception(QStringLiteral("handler failed"));
    };
    sock.ReportLevel = 0;
    sock.StatusMessage(1, "reply");
    sock.Cancel();
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_TRUE(sock.Status.isEmpty());

    sock.ReportLevel = 1;
    sock.Cancel(); // level 8
    sock.StatusMessage(1, "220 Ready\r\n");
    EXPECT_EQ(seen, QByteArrayList{"220 Ready\r\n"});

    sock.ReportLevel = 8;
    sock.Abort();
    EXPECT_EQ(seen, (QByteArrayList{"220 Ready\r\n", "Abort", "Canceling"}));
    EXPECT_EQ(sock.Status, "Canceling");
    EXPECT_TRUE(sock.Canceled);
}

TEST(WinsockInfo, FirstComponentDescribesTheLayerLaterOnesStayEmpty)
{
    {
        TestSock first;
        TestSock second;
        EXPECT_EQ(TPowersock::WinsockUsers, 2);
        ASSERT_EQ(first.WinsockInfo.size(), 6);
        EXPECT_EQ(first.WinsockInfo[0], "Version= 1.1");
        EXPECT_EQ(first.WinsockInfo[1], "High Version= 1.1");
        EXPECT_TRUE(first.WinsockInfo[2].startsWith("Description= ") && first.WinsockInfo[2].size() > 13);
        EXPECT_TRUE(first.WinsockInfo[3].startsWith("System= "));
        EXPECT_TRUE(first.WinsockInfo[4].startsWith("Max Sockets= "));
        EXPECT_EQ(first.WinsockInfo[5], "Max Udp pack size= 65507");
        EXPECT_TRUE(second.WinsockInfo.isEmpty());
        EXPECT_EQ(second.WSAData.wVersion, 0);
        EXPECT_NE(first.SocketHandle, TPowersock::NoSocket);
        EXPECT_NE(second.SocketHandle, first.SocketHandle);
    }
    EXPECT_EQ(TPowersock::WinsockUsers, 0);
    EXPECT_FALSE(sockets::Started());
    TestSock again; // the layer starts again for a new first component
    EXPECT_EQ(again.WinsockInfo.size(), 6);
}

TEST(NotificationWindow, MessagesBelow1125NeverReachTheComponent)
{
    TestSock sock;
    sock.Succeeded = true;
    sock.WaitDone = false;
    const qintptr failed = qintptr(10061u << 16) | sockets::FD_CONNECT;
    sock.WindowHandle->PostMessage(1124, 0, failed);
    sock.WindowHandle->PostMessage(WM_USER, 0, failed);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sock.Succeeded);
    EXPECT_FALSE(sock.Connected);

    sock.WindowHandle->PostMessage(LookupDoneMessage, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sock.WaitDone);
    sock.WindowHandle->PostMessage(SocketEventMessage, 0, failed);
    QCoreApplication::processEvents();
    EXPECT_FALSE(sock.Succeeded);
    EXPECT_FALSE(sock.Connected); // a failed connect changes nothing else
}

TEST(NotificationWindow, HandlerErrorsAreSwallowedAndAcceptMarksConnected)
{
    TestSock sock;
    int accepts = 0;
    sock.OnAccept = [&](QObject *) {
        ++accepts;
        throw Exception(QStringLiteral("boom"));
    };
    sock.OnDataAvailable = [&](QObject *) { throw Exception(QStringLiteral("boom")); };
    sock.WindowHandle->PostMessage(SocketEventMessage, 0, sockets::FD_READ);
    sock.WindowHandle->PostMessage(SocketEventMessage, 0, sockets::FD_ACCEPT);
    QCoreApplication::processEvents();
    EXPECT_EQ(accepts, 1);
    EXPECT_TRUE(sock.Connected);
}

TEST(NotificationWindow, PostedMessagesArriveInOrder)
{
    TestSock sock;
    QByteArrayList order;
    sock.OnDataAvailable = [&](QObject *) { order << "read"; };
    sock.OnConnect = [&](QObject *) { order << "connect"; };
    sock.OnAccept = [&](QObject *) { order << "accept"; };
    for (quint16 code : {sockets::FD_CONNECT, sockets::FD_READ, sockets::FD_ACCEPT, sockets::FD_READ})
        sock.WindowHandle->PostMessage(SocketEventMessage, 0, code);
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (QByteArrayList{"connect", "read", "accept", "read"}));
}

TEST(ThreadTimer, IdleUnlessEnabledWithIntervalAndHandler)
{
    TThreadTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.WindowHandle()->TimerRunning()); // no handler yet
    int ticks = 0;
    timer.SetInterval(0);
    timer.SetOnTimer([&](QObject *sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_FALSE(timer.WindowHandle()->TimerRunning());
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, 0);

    timer.SetInterval(20);
    EXPECT_TRUE(timer.WindowHandle()->TimerRunning());
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; })); // repeats until disabled
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.WindowHandle()->TimerRunning());
    const int stopped = ticks;
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, stopped);
}

TEST(ThreadTimer, EnablingAgainDoesNotRestartTheCountdown)
{
    TThreadTimer timer;
    QElapsedTimer clock;
    qint64 firstTick = -1;
    timer.SetEnabled(false);
    timer.SetInterval(400);
    timer.SetOnTimer([&](QObject *) {
        if (firstTick < 0)
            firstTick = clock.elapsed();
    });
    clock.start();
    timer.SetEnabled(true);
    pumpUntil([] { return false; }, 250);
    timer.SetEnabled(true); // already true: no restart
    timer.SetInterval(400); // same value: no restart
    ASSERT_TRUE(pumpUntil([&] { return firstTick >= 0; }, 3000));
    // A restart at 250 ms would put the tick at 650 ms or later.
    EXPECT_LT(firstTick, 600);
}

TEST(ThreadTimer, HandlerErrorsGoToTheCentralHandlerAndTicksGoOn)
{
    QStringList shown;
    toolkit::setErrorHandler([&](const QString &message) { shown << message; });
    int ticks = 0;
    {
        TThreadTimer timer;
        timer.SetInterval(10);
        timer.SetOnTimer([&](QObject *) {
            ++ticks;
            throw Exception(QStringLiteral("tick failed"));
        });
        EXPECT_TRUE(pumpUntil([&] { return ticks >= 2; }));
        EXPECT_TRUE(timer.WindowHandle()->SendMessage(WM_ACTIVATEAPP, 1, 0) == 0);
    }
    toolkit::setErrorHandler(nullptr);
    EXPECT_GE(shown.size(), 2);
    EXPECT_EQ(shown.value(0), QStringLiteral("tick failed"));
    const int after = ticks;
    pumpUntil([] { return false; }, 60); // destroyed: no more ticks
    EXPECT_EQ(ticks, after);
}
