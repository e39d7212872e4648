#pragma once

// Element hiding: the selectors of "##" rules, the generic ones for every
// page and the others by site, less the "#@#" exceptions, turned into one
// style sheet per page that sets the matched elements to display: none.

#include "contentfilter/rule_parser.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contentfilter {

// Selectors by their number in CosmeticFilter::selectors: a rule for two
// hundred sites keeps its selector once.
struct CosmeticSite {
    std::vector<uint32_t> hide;
    std::vector<uint32_t> unhide;
    bool noGeneric = false;
};

class CosmeticFilter {
public:
    void add(const CosmeticRuleText &rule);
    void addGenericHideException(const std::string &host);
    // Drops the selectors that an exception without sites takes back everywhere.
    void finish();

    // The style sheet for a page on `host`: one rule per selector, so a
    // selector the page's engine does not know costs only itself.
    std::string styleSheetFor(std::string_view host) const;

    // The page script that applies the same style sheet to every document
    // and frame, except on pages whose host is one of (or under one of)
    // `allowedSites`.
    QString pageScript(const QStringList &allowedSites) const;

    size_t size() const;

    std::vector<std::string> selectors;
    std::vector<uint32_t> generic;
    std::unordered_map<std::string, CosmeticSite> sites;

private:
    uint32_t selectorNumber(const std::string &selector);

    std::unordered_map<std::string, uint32_t> m_numbers;
    std::vector<uint32_t> m_globalUnhide;
};

} // namespace contentfilter
