#include "pagewindows/certificate_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CertificateDialog::CertificateDialog(QWidget *parent, const WebEngine::CertificateProblem &problem) : QDialog(parent)
{
    setObjectName(QStringLiteral("CertificateDialog"));
    setWindowTitle(QStringLiteral("Certificate warning"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral("The connection to %1 is not secure.\n\n%2")
                                .arg(problem.host, problem.description),
                            this);
    text->setObjectName(QStringLiteral("Problem"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    auto *row = new QHBoxLayout;
    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    row->addWidget(text, 1);
    layout->addLayout(row);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *back = buttons->addButton(QStringLiteral("Back to safety"), QDialogButtonBox::RejectRole);
    back->setObjectName(QStringLiteral("BackToSafety"));
    back->setDefault(true);
    back->setAutoDefault(true);
    if (problem.overridable) {
        QPushButton *proceed = buttons->addButton(QStringLiteral("Proceed anyway"), QDialogButtonBox::AcceptRole);
        proceed->setObjectName(QStringLiteral("ProceedAnyway"));
        proceed->setAutoDefault(false);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    back->setFocus();
    resize(420, sizeHint().height());
}

void CertificateDialog::ask(QWidget *parent, WebEngine &engine, const WebEngine::CertificateProblem &problem,
                            std::function<void(bool proceed)> answer)
{
    auto *dialog = new CertificateDialog(parent, problem);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // A question of the page, not of the window: the toolbar and the close
    // box stay usable while it is open.
    dialog->setWindowModality(Qt::NonModal);
    engine.questionOpened();
    QPointer<WebEngine> asker(&engine);
    connect(dialog, &QObject::destroyed, [asker] {
        if (asker)
            asker->questionClosed();
    });
    connect(dialog, &QDialog::finished, dialog,
            [answer = std::move(answer)](int result) { answer(result == QDialog::Accepted); });
    // A page left meanwhile needs no answer: the engine drops the error.
    connect(&engine, &WebEngine::pageLeft, dialog, [dialog] {
        QObject::disconnect(dialog, &QDialog::finished, nullptr, nullptr);
        dialog->close();
    });
    dialog->show();
}
