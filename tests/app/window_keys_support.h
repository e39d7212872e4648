#pragma once

// What the browser-window tests share: a started program with chosen
// setting bytes, opening a page through Go, and keys typed into the page.
#include "app_fixture.h"
#include "support/gui/window_parts.h"

namespace window_keys_testing {

inline const QByteArray kNews =
    "<html><head><title>News</title></head><body><p>falcon one</p><p>a falcon two</p>"
    "<p>the falcon three</p><p>Kestrel kestrel</p></body></html>";
inline const QByteArray kSport = "<html><head><title>Sport</title></head><body>sport</body></html>";

// The program started with the three setting bytes (menu state, interface
// mode, browser at start), as in a fresh installation otherwise.
struct Session {
    explicit Session(const QByteArray &settings) : program(app_testing::ProgramWindows::Deferred{})
    {
        program.folder().write("config/Kestrelon.cfg", settings + testing_support::TempInstallation::templateText());
        program.create();
        program.start();
    }

    TForm2 &main() { return program.main(); }
    TForm1 &browser() { return program.browser(); }
    QStringList &messages() { return program.messages(); }

    bool captionIs(const QString &caption)
    {
        return app_testing::waitFor([&] { return browser().windowTitle() == caption; });
    }

    // Types `address` into the main window and runs Go; waits for `caption`.
    void open(const QString &address, const QString &caption)
    {
        ui(main()).Edit1->setText(address);
        main().Button1Click();
        ASSERT_TRUE(captionIs(caption)) << browser().windowTitle().toStdString();
    }

    // The widget that takes the page's input.
    QWidget *page()
    {
        QWidget *view = browser().WebBrowser1().widget();
        return view->focusProxy() ? view->focusProxy() : view;
    }

    // A key typed into the page; the engine hands it on when the page
    // declines it, later.
    void pressInPage(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(page(), key, modifiers);
    }

    app_testing::ProgramWindows program;
};

inline void runLoopFor(int ms)
{
    app_testing::runLoop(ms);
}

} // namespace window_keys_testing
