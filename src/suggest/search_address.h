#pragma once

#include <QString>

// Text typed into an address box that is not an address becomes a search.
namespace suggest {

// The search address used when the installation has no template of its own.
inline const QString kDefaultSearchTemplate = QStringLiteral("https://www.startpage.com/do/search?q=%s");

// The file of the installation folder that holds the user's template: one
// line, with %s where the words go.
inline const QString kSearchTemplateFile = QStringLiteral("config/search.cfg");

// Whether `text` is meant as words to search for rather than an address:
// it does not start with a scheme and "//", and it holds a blank, or it has
// no dot, no ':' (so no scheme or port) and is neither "localhost" nor a
// path. Empty text is no search.
bool isSearchText(const QString &text);

// The template with every %s replaced by the words, percent-encoded as
// UTF-8. A template without %s gets the words at its end.
QString searchAddress(const QString &searchTemplate, const QString &text);

// The first line of the template file in `installationFolder`, or the
// default when the file is missing, unreadable or has no %s.
QString readSearchTemplate(const QString &installationFolder);

} // namespace suggest
