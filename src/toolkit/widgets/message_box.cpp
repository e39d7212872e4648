#include "toolkit/widgets/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace toolkit {
namespace {

class QtMessageBoxes : public MessageBoxService {
public:
    void showMessage(const QString &text) override
    {
        // Single carriage returns are line breaks in the stored texts.
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kestrelon"), shown,
                        QMessageBox::Ok, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};

QtMessageBoxes g_qtBoxes;
MessageBoxService *g_service = nullptr;

MessageBoxService &service()
{
    return g_service ? *g_service : g_qtBoxes;
}

} // namespace

bool MessageBoxService::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kestrelon"), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // A question whose Yes destroys something must not be answered by a
    // stray Enter.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void showMessage(const QString &text)
{
    service().showMessage(text);
}

bool askYesNo(const QString &text)
{
    return service().askYesNo(text);
}

void setMessageBoxService(MessageBoxService *service)
{
    g_service = service;
}

RecordingMessageBoxes::RecordingMessageBoxes()
{
    setMessageBoxService(this);
}

RecordingMessageBoxes::~RecordingMessageBoxes()
{
    setMessageBoxService(nullptr);
}

void RecordingMessageBoxes::showMessage(const QString &text)
{
    messages.append(text);
}

bool RecordingMessageBoxes::askYesNo(const QString &text)
{
    questions.append(text);
    return answer;
}

} // namespace toolkit
