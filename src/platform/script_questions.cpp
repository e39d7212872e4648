#include "platform/script_questions.h"

#include "platform/page_question.h"
#include "platform/web_engine.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

namespace platform {
namespace {

// Questions in a row from one page after which its box offers to stop them.
constexpr int kRowBeforeStopOffer = 3;

} // namespace

ScriptQuestions::ScriptQuestions(WebEngine &engine) : QObject(&engine), m_engine(engine) {}

void ScriptQuestions::newPage()
{
    m_inARow = 0;
    m_silenced = false;
}

ScriptAnswer ScriptQuestions::ask(const ScriptQuestion &question)
{
    using Kind = ScriptQuestion::Kind;
    const bool leaving = question.kind == Kind::LeavePage;
    if (m_silenced && !leaving)
        return {};
    const bool offerStop = !leaving && ++m_inARow >= kRowBeforeStopOffer;
    const QString caption = question.origin.host().isEmpty()
                                ? QStringLiteral("The page says")
                                : QStringLiteral("%1 says").arg(question.origin.host());

    ScriptAnswer answer;
    bool stop = false;
    if (question.kind == Kind::Prompt) {
        auto *dialog = new QInputDialog;
        dialog->setInputMode(QInputDialog::TextInput);
        dialog->setObjectName(QStringLiteral("ScriptPrompt"));
        dialog->setWindowTitle(caption);
        dialog->setLabelText(question.text);
        dialog->setTextValue(question.defaultText);
        QCheckBox *stopBox = nullptr;
        if (offerStop) {
            stopBox = new QCheckBox(QStringLiteral("Don't let this page ask again"), dialog);
            stopBox->setObjectName(QStringLiteral("StopAsking"));
            if (auto *layout = dialog->layout())
                layout->addWidget(stopBox);
        }
        const int result = askOnPage(m_engine, dialog, [&](QDialog &shown) {
            answer.text = static_cast<QInputDialog &>(shown).textValue();
            stop = stopBox && stopBox->isChecked();
        });
        answer.accepted = result == QDialog::Accepted;
    } else {
        auto *box = new QMessageBox(leaving ? QMessageBox::Question : QMessageBox::Information, caption,
                                    question.text, QMessageBox::NoButton);
        box->setObjectName(leaving ? QStringLiteral("LeavePageQuestion") : QStringLiteral("ScriptMessage"));
        box->setTextFormat(Qt::PlainText);
        QPushButton *yes = nullptr;
        if (leaving) {
            yes = box->addButton(QStringLiteral("Leave"), QMessageBox::AcceptRole);
            // Staying loses nothing: it is what Enter and Escape choose.
            QPushButton *stay = box->addButton(QStringLiteral("Stay"), QMessageBox::RejectRole);
            box->setDefaultButton(stay);
            box->setEscapeButton(stay);
        } else if (question.kind == Kind::Confirm) {
            yes = box->addButton(QMessageBox::Ok);
            box->setEscapeButton(box->addButton(QMessageBox::Cancel));
        } else {
            yes = box->addButton(QMessageBox::Ok);
            box->setEscapeButton(yes);
        }
        if (offerStop)
            box->setCheckBox(new QCheckBox(QStringLiteral("Don't let this page ask again")));
        askOnPage(m_engine, box, [&](QDialog &shown) {
            auto &answered = static_cast<QMessageBox &>(shown);
            answer.accepted = answered.clickedButton() == yes;
            stop = answered.checkBox() && answered.checkBox()->isChecked();
        });
    }
    if (stop)
        m_silenced = true;
    return answer;
}

QStringList ScriptQuestions::chooseFiles(QWebEnginePage::FileSelectionMode mode, const QStringList &oldFiles)
{
    auto *dialog = new QFileDialog(nullptr, QStringLiteral("Choose a file"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(mode == QWebEnginePage::FileSelectOpenMultiple ? QFileDialog::ExistingFiles
                                                                      : QFileDialog::ExistingFile);
    if (!oldFiles.isEmpty() && !oldFiles.constFirst().isEmpty())
        dialog->selectFile(oldFiles.constFirst());
    QStringList chosen;
    const int result = askOnPage(m_engine, dialog,
                                 [&](QDialog &shown) { chosen = static_cast<QFileDialog &>(shown).selectedFiles(); });
    return result == QDialog::Accepted ? chosen : QStringList();
}

} // namespace platform
