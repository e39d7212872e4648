#include "app/address_requests.h"

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/window_set_owner.h"
#include "browser/browser_window.h"
#include "toolkit/widgets/guard.h"

#include <QLoggingCategory>
#include <QTimer>

namespace {

// The browser window's captions, so that what a handed-over address showed
// can be followed from outside; enable with
// QT_LOGGING_RULES="kestrelon.requests.info=true".
Q_LOGGING_CATEGORY(lcRequests, "kestrelon.requests", QtWarningMsg)

// A javascript: address runs in the page being shown, with its cookies, and
// a data: one can dress itself as any site; both are opened only when the
// user types them. Read as the engine reads an address: blanks and control
// characters before it, and tabs and line breaks anywhere, do not count.
bool runsScriptOrCarriesPage(const QString &address)
{
    QString plain;
    for (const QChar c : address) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
            || (plain.isEmpty() && c.unicode() <= 0x20))
            continue;
        plain.append(c);
    }
    return plain.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive)
           || plain.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

void open(TForm2 &main, const std::optional<QString> &address)
{
    main.setWindowState(main.windowState() & ~Qt::WindowMinimized);
    main.show();
    main.raise();
    main.activateWindow();
    if (!address)
        return;
    if (runsScriptOrCarriesPage(*address))
        throw Exception(QStringLiteral("A javascript: or data: address from another program is not opened; "
                                       "type it into the address box to open it"));
    qCInfo(lcRequests).noquote() << "opening" << *address;
    main.setAddressText(*address);
    main.Button1Click();
}

} // namespace

void openAddressRequests(SingleInstance &instance, WindowSetOwner &windows, const std::optional<QString> &ownAddress)
{
    TForm2 &main = windows.mainWindow();
    QWidget *browser = windows.forms().Form1;
    QObject::connect(&instance, &SingleInstance::requested, &main, [&main](const std::optional<QString> &address) {
        // The main window is shown from start to exit; once its close has
        // hidden it, the files are written and a Go would be lost.
        if (main.isVisible())
            toolkit::guarded([&] { open(main, address); });
    });
    QObject::connect(browser, &QWidget::windowTitleChanged, browser,
                     [](const QString &caption) { qCInfo(lcRequests).noquote() << "browser caption:" << caption; });
    if (ownAddress) {
        QTimer::singleShot(0, &main, [&main, address = *ownAddress] { toolkit::guarded([&] { open(main, address); }); });
    }
}
