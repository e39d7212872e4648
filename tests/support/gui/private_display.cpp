#include "support/gui/private_display.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QThread>

namespace testing_support {

PrivateDisplay::PrivateDisplay() = default;

PrivateDisplay::~PrivateDisplay()
{
    for (QProcess *server : {&m_spare}) {
        if (server->state() != QProcess::NotRunning) {
            server->terminate();
            if (!server->waitForFinished(5000))
                server->kill();
            server->waitForFinished(5000);
        }
    }
    if (m_windowManager.state() != QProcess::NotRunning) {
        m_windowManager.terminate();
        if (!m_windowManager.waitForFinished(5000))
            m_windowManager.kill();
        m_windowManager.waitForFinished(5000);
    }
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(5000);
    }
}

bool PrivateDisplay::startServer(QProcess &server)
{
    // Xvfb writes the display number it chose to the descriptor given.
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(10000)) {
        m_error = QStringLiteral("Xvfb did not start: ") + server.errorString();
        return false;
    }
    QByteArray number;
    const QDeadlineTimer deadline(30000);
    while (!number.contains('\n') && !deadline.hasExpired() && server.state() == QProcess::Running) {
        server.waitForReadyRead(100);
        number += server.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        m_error =
            QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(server.readAllStandardError());
        return false;
    }
    m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

bool PrivateDisplay::start()
{
    if (!startServer(m_server))
        return false;
    // Display 0 is where a desktop's own session lives, and a window manager
    // started there did not always take it: keep it occupied and use the next.
    if (m_name == QLatin1String(":0") && !startServer(m_spare))
        return false;
    QByteArray ignored;
    if (!xdotool({QStringLiteral("getmouselocation")}, &ignored)) {
        m_error = QStringLiteral("xdotool cannot reach the display");
        return false;
    }
    return true;
}

bool PrivateDisplay::startWindowManager()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_name);
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    // Another manager may already sit on a display number just freed and
    // taken again: replace it, and start once more if the first did not take.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.kill();
            m_windowManager.waitForFinished(5000);
        }
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--replace")});
        if (!m_windowManager.waitForStarted(10000)) {
            m_error = QStringLiteral("openbox did not start: ") + m_windowManager.errorString();
            return false;
        }
        // A manager announces itself on the root window once it runs.
        const QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired() && m_windowManager.state() == QProcess::Running) {
            const auto root =
                run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            if (root && root->contains("window id"))
                return true;
            QThread::msleep(20);
        }
    }
    const auto last =
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    m_error = QStringLiteral("openbox did not take the display %1 (running: %2, xprop: %3)")
                  .arg(m_name)
                  .arg(m_windowManager.state() == QProcess::Running)
                  .arg(last ? QString::fromLocal8Bit(*last) : QStringLiteral("failed"));
    return false;
}

std::optional<QByteArray> PrivateDisplay::run(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_name);
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return tool.readAllStandardOutput();
}

quint32 PrivateDisplay::waitForWindow(const QString &caption, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const auto found =
            run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--name"), QLatin1Char('^') + caption + QLatin1Char('$')});
        if (found && !found->trimmed().isEmpty())
            return found->trimmed().split('\n').last().toUInt();
        QThread::msleep(20);
    }
    return 0;
}

bool PrivateDisplay::xdotool(const QStringList &arguments, QByteArray *output)
{
    const std::optional<QByteArray> answer = run(QStringLiteral("xdotool"), arguments);
    if (answer && output)
        *output = *answer;
    return answer.has_value();
}

bool PrivateDisplay::focus(const QString &caption)
{
    // A window with a web view is re-created once by Qt as it starts, so
    // the first one found may go away: search and focus until it holds.
    const QDeadlineTimer deadline(60000);
    bool focused = false;
    while (!focused && !deadline.hasExpired()) {
        QByteArray found;
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QLatin1Char('^') + caption + QLatin1Char('$')},
                &found);
        const QByteArray last = found.trimmed().split('\n').last();
        // Under a window manager a window is activated through it, as a
        // click on it would.
        const QString how = m_windowManager.state() == QProcess::Running ? QStringLiteral("windowactivate")
                                                                          : QStringLiteral("windowfocus");
        focused = !last.isEmpty() && xdotool({how, QStringLiteral("--sync"), QString::fromLatin1(last)});
        if (!focused)
            QThread::msleep(20);
    }
    return focused;
}

bool PrivateDisplay::typeInto(const QString &caption, const QString &text)
{
    return focus(caption) && xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")})
           && xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("0"), text})
           && xdotool({QStringLiteral("key"), QStringLiteral("Return")});
}

bool PrivateDisplay::pressKeys(const QString &caption, const QStringList &keys)
{
    if (!focus(caption))
        return false;
    for (const QString &key : keys) {
        if (!xdotool({QStringLiteral("key"), key}))
            return false;
    }
    return true;
}

} // namespace testing_support
