// Address box folder: the suggestions under the address boxes and the
// search for words typed there. AddressSuggestions (this file, start here)
// owns the index service; AddressCompleter is the list under one box.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class AddressCompleter;

namespace suggest {
class SuggestionService;
}

// What the address boxes know beyond the history: the suggestion index
// (built in the background, kept current with every Go and bookmark) with
// a suggestion list under each box, and the search for text that is no
// address. Owned by the main window; the installation folder is fixed when
// it is made, as the current folder moves while the bookmarks window shows.
class AddressSuggestions : public QObject {
    Q_OBJECT
public:
    AddressSuggestions(const QString &installationFolder, QObject *parent);
    ~AddressSuggestions() override;

    // Starts building the index from the history and the installation's
    // Bookmarks folder; returns at once.
    void build(const QList<QByteArray> &history);

    // Gives `box` a suggestion list; a click on an entry puts it in the box
    // and calls `go`.
    AddressCompleter *attach(QLineEdit *box, std::function<void()> go);

    // Where Go sends the box's text: the text itself, or for words that are
    // no address, the search address of the installation's template.
    QString navigationTarget(const QString &boxText) const;

    void visited(const QByteArray &address);
    void bookmarkSaved(const QByteArray &address, const QByteArray &name);

    suggest::SuggestionService &service() { return *m_service; }

private:
    QString m_installationFolder;
    suggest::SuggestionService *m_service;
};
