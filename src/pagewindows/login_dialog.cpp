#include "pagewindows/login_dialog.h"

#include "platform/page_question.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

LoginDialog::LoginDialog(QWidget *parent, const WebEngine::LoginRequest &request, bool again)
    : QDialog(parent), m_user(new QLineEdit(this)), m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("Log in"));
    auto *layout = new QVBoxLayout(this);
    const QString who = request.proxy ? QStringLiteral("The proxy %1 asks for a user name and password.")
                                      : QStringLiteral("%1 asks for a user name and password.");
    auto *intro = new QLabel(who.arg(request.host), this);
    intro->setObjectName(QStringLiteral("Host"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    if (!request.realm.isEmpty()) {
        // The realm is the server's own text: shown as it is, never as markup.
        auto *realm = new QLabel(QStringLiteral("The site says: \"%1\"").arg(request.realm), this);
        realm->setObjectName(QStringLiteral("Realm"));
        realm->setTextFormat(Qt::PlainText);
        realm->setWordWrap(true);
        layout->addWidget(realm);
    }
    intro->setTextFormat(Qt::PlainText);
    if (again) {
        auto *refused = new QLabel(QStringLiteral("The user name or password was not accepted."), this);
        refused->setObjectName(QStringLiteral("Refused"));
        refused->setWordWrap(true);
        layout->addWidget(refused);
    }

    auto *form = new QFormLayout;
    m_user->setObjectName(QStringLiteral("UserName"));
    m_password->setObjectName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("User name:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_user->setFocus();
    resize(360, sizeHint().height());
}

std::optional<WebEngine::Login> LoginDialog::ask(QWidget *, WebEngine &engine, const WebEngine::LoginRequest &request,
                                                 bool again)
{
    // A question of the page: leaving it or closing its window cancels it.
    std::optional<WebEngine::Login> login;
    platform::askOnPage(engine, new LoginDialog(nullptr, request, again), [&](QDialog &shown) {
        if (shown.result() == QDialog::Accepted) {
            auto &dialog = static_cast<LoginDialog &>(shown);
            login = WebEngine::Login{dialog.user()->text(), dialog.password()->text()};
        }
    });
    return login;
}
