#pragma once

#include "platform/web_engine.h"

#include <QDialog>

#include <optional>

class QLineEdit;

// Asks for a user name and password for a site (or a proxy) that wants
// them. It closes by itself, as a cancel, when the page is left while it
// is open.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // `again`: the site refused the last answer, and the dialog says so.
    LoginDialog(QWidget *parent, const WebEngine::LoginRequest &request, bool again = false);

    // Shows the dialog modally for `engine`'s page; nothing when cancelled.
    static std::optional<WebEngine::Login> ask(QWidget *parent, WebEngine &engine,
                                               const WebEngine::LoginRequest &request, bool again = false);

    QLineEdit *user() const { return m_user; }
    QLineEdit *password() const { return m_password; }

private:
    QLineEdit *m_user;
    QLineEdit *m_password;
};
