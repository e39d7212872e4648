#pragma once

#include <QProcess>
#include <QString>

#include <optional>

namespace testing_support {

// An Xvfb display of the test's own (the server picks a free number), for
// driving the real program as a user would: xdotool types into its windows.
// Stopped in the destructor.
class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;

    // False (with error()) when Xvfb or xdotool is missing or did not start.
    bool start();
    QString error() const { return m_error; }
    // ":N"
    QString name() const { return m_name; }

    // Starts openbox on the display and waits until it manages windows, so
    // windows get frames, stacking and focus as on a desktop.
    bool startWindowManager();

    // Runs an X tool (xdotool, xprop, xwininfo) on the display; its output,
    // or nothing when it failed.
    std::optional<QByteArray> run(const QString &program, const QStringList &arguments);

    // Waits until a visible window is captioned exactly `caption`; its id,
    // or 0.
    quint32 waitForWindow(const QString &caption, int ms = 60000);

    // Focuses the visible window captioned exactly `caption` (waiting for
    // it), selects the text of its focused field, types `text` and Enter.
    bool typeInto(const QString &caption, const QString &text);
    // Focuses that window and presses `keys` there, one after the other
    // (xdotool's names: "ctrl+d", "Return").
    bool pressKeys(const QString &caption, const QStringList &keys);

private:
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr);
    bool focus(const QString &caption);

    bool startServer(QProcess &server);

    QProcess m_server;
    // The display actually used when the first server was given display 0.
    QProcess m_spare;
    QProcess m_windowManager;
    QString m_name;
    QString m_error;
};

} // namespace testing_support
