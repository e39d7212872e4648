#include "app_fixture.h"

#include <QEventLoop>
#include <QMutex>
#include <QTimer>

namespace app_testing {

ProgramWindows::ProgramWindows(Deferred) : m_folder(std::make_unique<testing_support::TempInstallation>()) {}

ProgramWindows::ProgramWindows() : ProgramWindows(Deferred{})
{
    create();
}

ProgramWindows::~ProgramWindows()
{
    m_owner.reset();
}

void ProgramWindows::create()
{
    m_owner = std::make_unique<WindowSetOwner>();
}

void ProgramWindows::start()
{
    main().show();
    QCoreApplication::processEvents();
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace app_testing
