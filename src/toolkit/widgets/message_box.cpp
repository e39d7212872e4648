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

} // namespace

void showMessage(const QString &text)
{
    (g_service ? g_service : &g_qtBoxes)->showMessage(text);
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

} // namespace toolkit
