#pragma once

#include "suggest/suggestion_index.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QFrame;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace suggest {
class SuggestionService;
}

// The list of suggestions below an address box. Typing asks the service and
// never waits for it: the list follows when the answer comes. The list never
// takes the focus, so every key still reaches the box first.
//   Up/Down    choose an entry: its address goes into the box as if typed
//   Enter      closes the list; the box's own Enter runs Go with its text
//   Escape     closes the list, the box back to what the user typed (the
//              program's key table calls closeList())
//   a click    chooses the entry and runs Go (chosen())
class AddressCompleter : public QObject {
    Q_OBJECT
public:
    AddressCompleter(QLineEdit *box, suggest::SuggestionService *service);
    ~AddressCompleter() override;

    bool isListShown() const;
    // Closes a shown list and puts back what the user typed; false when no
    // list was shown.
    bool closeList();
    // The list's lines as shown, for those who check what it offers.
    QListWidget *list() const { return m_list; }

signals:
    // A click chose an entry; the box holds its address. Run Go.
    void chosenByClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void answered(quint64 serial, const QByteArray &typed, const QList<suggest::Suggestion> &found);
    void step(int by);
    void clicked(QListWidgetItem *item);
    void placeList();
    void hideList();

    QLineEdit *m_box;
    suggest::SuggestionService *m_service;
    // Owned by the box's window, which may go first.
    QPointer<QFrame> m_popup;
    QListWidget *m_list;
    QList<suggest::Suggestion> m_shown;
    QString m_typed;
    quint64 m_waitingFor = 0;
};
