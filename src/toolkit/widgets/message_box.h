#pragma once

#include <QString>
#include <QStringList>

namespace toolkit {

// Shows modal message boxes. The program uses one service; tests install a
// recorder that answers at once.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // A modal box with an OK button; returns when it has been dismissed.
    virtual void showMessage(const QString &text) = 0;
    // A modal box with Yes and No (No the default, Escape answers No); true
    // for Yes.
    virtual bool askYesNo(const QString &text);
};

// Shows `text` through the installed service (a Qt message box by default).
// Carriage returns in the text show as line breaks.
void showMessage(const QString &text);

// Asks `text` through the installed service; true when the answer is Yes.
bool askYesNo(const QString &text);

// Installs `service` (not owned); nullptr goes back to the real boxes.
void setMessageBoxService(MessageBoxService *service);

// A test double: records each text and returns at once, answering every
// question with `answer`. Installs itself for its lifetime.
class RecordingMessageBoxes : public MessageBoxService {
public:
    RecordingMessageBoxes();
    ~RecordingMessageBoxes() override;
    void showMessage(const QString &text) override;
    bool askYesNo(const QString &text) override;

    QStringList messages;
    QStringList questions;
    bool answer = true;
};

} // namespace toolkit
