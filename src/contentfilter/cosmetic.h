#pragma once

// Element hiding: the selectors of "##" rules, the generic ones for every
// page and the others by site, less the "#@#" exceptions, turned into one
// style sheet per page that sets the matched elements to display: none.

#include "contentfilter/rule_parser.h"

#include <QString>
#include <QStringList>

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contentfilter {

// A site's element-hiding rules: ranges of CosmeticTables::siteSelectors,
// whose entries are numbers of selectors, so a rule for two hundred sites
// keeps its selector once. Sorted by the hash of the site's name.
struct CosmeticSite {
    uint64_t hash = 0;
    uint32_t name = 0;
    uint32_t nameLength = 0;
    uint32_t hide = 0;
    uint32_t hideCount = 0;
    uint32_t unhide = 0;
    uint32_t unhideCount = 0;
    uint32_t noGeneric = 0;
    uint32_t unused = 0; // the padding spelled out: the image is written byte for byte
};

// The element-hiding rules as built, before they go into the engine's image.
struct CosmeticTables {
    std::string selectorText;
    std::vector<uint32_t> selectorStarts; // one per selector, and one past the last
    std::vector<uint32_t> generic;
    std::vector<CosmeticSite> sites;
    std::string siteNames;
    std::vector<uint32_t> siteSelectors;
};

class CosmeticBuilder {
public:
    void add(const CosmeticRuleText &rule);
    void addGenericHideException(const std::string &host);
    // Drops the selectors that an exception without sites takes back
    // everywhere, and lays the rest out flat.
    CosmeticTables finish();

private:
    struct Site {
        std::vector<uint32_t> hide;
        std::vector<uint32_t> unhide;
        bool noGeneric = false;
    };
    uint32_t selectorNumber(const std::string &selector);

    std::vector<std::string> m_selectors;
    std::unordered_map<std::string, uint32_t> m_numbers;
    std::vector<uint32_t> m_generic;
    std::unordered_map<std::string, Site> m_sites;
    std::vector<uint32_t> m_globalUnhide;
};

// The element-hiding rules, read in place from the engine's image.
class CosmeticFilter {
public:
    struct View {
        std::string_view selectorText;
        std::span<const uint32_t> selectorStarts;
        std::span<const uint32_t> generic;
        std::span<const CosmeticSite> sites;
        std::string_view siteNames;
        std::span<const uint32_t> siteSelectors;
    };
    CosmeticFilter() = default;
    explicit CosmeticFilter(const View &view);

    // Whether every number and range lies within the tables.
    bool isConsistent() const;

    // The style sheet for a page on `host`: one rule per selector, so a
    // selector the page's engine does not know costs only itself.
    std::string styleSheetFor(std::string_view host) const;

    // The page script that applies the same style sheet to every document
    // and frame, except on pages whose host is one of (or under one of)
    // `allowedSites`.
    QString pageScript(const QStringList &allowedSites) const;

    size_t size() const { return m_size; }

private:
    std::string_view selector(uint32_t n) const;
    std::string_view siteName(const CosmeticSite &site) const;
    const CosmeticSite *site(std::string_view host) const;

    View m_v;
    size_t m_size = 0;
};

} // namespace contentfilter
