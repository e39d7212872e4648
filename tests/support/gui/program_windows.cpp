#include "support/gui/program_windows.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace testing_support {

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

bool errorShown(const QStringList &messages, const QString &text)
{
    for (const QString &message : messages) {
        if (message.startsWith(QStringLiteral("An exeption was raised!."))
            && message.endsWith(QStringLiteral("Exception = ") + text))
            return true;
    }
    return false;
}

namespace {

QWindow *windowOf(QWidget *widget)
{
    QWidget *top = widget->window();
    if (!top->windowHandle())
        top->winId();
    return top->windowHandle();
}

QPoint inWindow(QWidget *widget, QPoint pos)
{
    return widget->mapTo(widget->window(), pos);
}

} // namespace

void pressOn(QWidget *widget, Qt::MouseButton button, QPoint pos)
{
    QTest::mousePress(windowOf(widget), button, {}, inWindow(widget, pos));
}

void releaseOn(QWidget *widget, Qt::MouseButton button, QPoint pos)
{
    QTest::mouseRelease(windowOf(widget), button, {}, inWindow(widget, pos));
}

void clickOn(QWidget *widget, Qt::MouseButton button)
{
    QTest::mouseClick(windowOf(widget), button, {}, inWindow(widget, widget->rect().center()));
}

void doubleClickOn(QWidget *widget)
{
    QTest::mouseDClick(windowOf(widget), Qt::LeftButton, {}, inWindow(widget, widget->rect().center()));
}

ProgramWindows::ProgramWindows(Stage stage, const Prepare &prepare) : m_folder(std::make_unique<TempInstallation>())
{
    if (prepare)
        prepare(*m_folder);
    if (stage == Stage::Created)
        create();
    else if (stage == Stage::Started)
        start();
}

ProgramWindows::~ProgramWindows()
{
    destroy();
}

void ProgramWindows::create()
{
    m_owner = std::make_unique<WindowSetOwner>();
    // The tests begin with the history as start-up reads it.
    waitFor([this] { return main().isHistoryLoaded(); });
}

void ProgramWindows::start()
{
    if (!m_owner)
        create();
    main().show();
    QCoreApplication::processEvents();
}

void ProgramWindows::destroy()
{
    m_owner.reset();
}

void ProgramWindows::go(const QString &address)
{
    main().setAddressText(address);
    main().Button1Click();
}

bool ProgramWindows::open(const QString &url, const QString &title)
{
    go(url);
    // While a page loads the engine's title may be its address for a moment.
    return waitFor([&] {
        return browser().WebBrowser1().LocationURL() == url && browser().WebBrowser1().LocationName() == title;
    });
}

} // namespace testing_support
