#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

namespace testing_support {

// Answers a window the program shows modally (a dialog's exec() holds the
// test's own wait underneath it): every few milliseconds it looks for a
// visible top-level widget with `objectName` (or of that class) and, when one shows, runs
// `answer` on it once. Counts how often it answered.
class DialogAnswerer : public QObject {
public:
    DialogAnswerer(QString objectName, std::function<void(QWidget *)> answer);

    int answered() const { return m_answered; }
    // The widget last answered (gone once the program closed it).
    QWidget *last() const { return m_last; }

    // The visible top-level widget named `objectName`, if any.
    static QWidget *find(const QString &objectName);

private:
    QString m_name;
    std::function<void(QWidget *)> m_answer;
    QTimer m_timer;
    int m_answered = 0;
    QWidget *m_last = nullptr;
    QWidget *m_busy = nullptr;
};

// Clicks the child button named `buttonName` of `window`, or its push
// button showing `text` when no child has that name.
void clickButton(QWidget *window, const QString &buttonNameOrText);

} // namespace testing_support
