#include "addressbox/address_suggestions.h"

#include "addressbox/address_completer.h"
#include "suggest/search_address.h"
#include "suggest/suggestion_service.h"
#include "toolkit/core/paths.h"
#include "toolkit/widgets/guard.h"

#include <QDir>
#include <QLineEdit>

AddressSuggestions::AddressSuggestions(const QString &installationFolder, QObject *parent)
    : QObject(parent), m_installationFolder(QDir(installationFolder).absolutePath()),
      m_service(new suggest::SuggestionService(this))
{
}

AddressSuggestions::~AddressSuggestions() = default;

void AddressSuggestions::build(const QList<QByteArray> &history)
{
    m_service->build(history, toolkit::resolvePath(QDir(m_installationFolder).filePath(QStringLiteral("Bookmarks"))));
}

AddressCompleter *AddressSuggestions::attach(QLineEdit *box, std::function<void()> go)
{
    auto *completer = new AddressCompleter(box, m_service);
    connect(completer, &AddressCompleter::chosenByClick, box, toolkit::guard([go] { go(); }));
    return completer;
}

QString AddressSuggestions::navigationTarget(const QString &boxText) const
{
    if (!suggest::isSearchText(boxText))
        return boxText;
    return suggest::searchAddress(suggest::readSearchTemplate(m_installationFolder), boxText);
}

void AddressSuggestions::visited(const QByteArray &address)
{
    m_service->addVisit(address);
}

void AddressSuggestions::bookmarkSaved(const QByteArray &address, const QByteArray &name)
{
    m_service->addBookmark(address, name);
}
