#pragma once

#include <QProcess>
#include <QString>

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

    // Focuses the visible window captioned exactly `caption` (waiting for
    // it), selects the text of its focused field, types `text` and Enter.
    bool typeInto(const QString &caption, const QString &text);

private:
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr);

    QProcess m_server;
    QString m_name;
    QString m_error;
};

} // namespace testing_support
