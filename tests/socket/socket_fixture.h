#pragma once

#include "support/core/loopback.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

#include "socket/posix_socket.h"
#include "support/core/descriptors.h"
#include "socket/powersock.h"

// A component with its protected parts in reach of the tests.
class TestSock : public TPowersock {
public:
    using TPowersock::TPowersock;
    using TPowersock::ErrorCheck;
    using TPowersock::HostEntBuffer;
    using TPowersock::IOBuffer;
    using TPowersock::LookupErrorMessage;
    using TPowersock::RemoteAddress;
    using TPowersock::StatusMessage;
    using TPowersock::Succeeded;
    using TPowersock::Timer;
    using TPowersock::TimerTriggered;
    using TPowersock::WaitDone;
    using TPowersock::WindowHandle;
    using TPowersock::WSAData;
};

using testing_support::openDescriptors;

// Runs the event loop until `done` or `ms` pass; true when done.
inline bool pumpUntil(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// The error text of what `f` throws; "" when it returns.
template <typename F>
std::string errorOf(F &&f)
{
    try {
        f();
    } catch (const Exception &e) {
        return e.message().toStdString();
    }
    return {};
}

// Every socket test checks that it leaves no descriptor behind: servers and
// components are gone by TearDown, and look-up threads have finished.
class SocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The refusing port's socket stays open for the whole process: take
        // it before counting.
        testing_support::refusingPort();
        m_fds = openDescriptors();
    }
    void TearDown() override
    {
        pumpUntil([] { return sockets::PendingLookups() == 0; }, 10000);
        QCoreApplication::processEvents();
        EXPECT_EQ(openDescriptors(), m_fds) << "descriptors leaked";
        EXPECT_EQ(TPowersock::WinsockUsers, 0);
    }

    // Milliseconds `f` took.
    template <typename F>
    static qint64 timed(F &&f)
    {
        QElapsedTimer t;
        t.start();
        f();
        return t.elapsed();
    }

private:
    int m_fds = 0;
};
