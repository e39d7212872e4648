#include "support/gui/dialog_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QWidget>

namespace testing_support {

DialogAnswerer::DialogAnswerer(QString objectName, std::function<void(QWidget *)> answer)
    : m_name(std::move(objectName)), m_answer(std::move(answer))
{
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        QWidget *window = find(m_name);
        // The same window stays answered until it has gone.
        if (!window || window == m_busy)
            return;
        m_busy = window;
        m_last = window;
        ++m_answered;
        QObject::connect(window, &QObject::destroyed, this, [this, window] {
            if (m_busy == window)
                m_busy = nullptr;
            if (m_last == window)
                m_last = nullptr;
        });
        m_answer(window);
        if (!window->isVisible() && m_busy == window)
            m_busy = nullptr;
    });
    m_timer.start();
}

QWidget *DialogAnswerer::find(const QString &objectName)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if ((widget->objectName() == objectName || objectName == QLatin1String(widget->metaObject()->className()))
            && widget->isVisible())
            return widget;
    }
    return nullptr;
}

void clickButton(QWidget *window, const QString &buttonNameOrText)
{
    if (auto *named = window->findChild<QAbstractButton *>(buttonNameOrText)) {
        named->click();
        return;
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->text().remove(QLatin1Char('&')) == buttonNameOrText) {
            button->click();
            return;
        }
    }
}

} // namespace testing_support
