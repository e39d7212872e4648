#include "contentfilter/cosmetic.h"

#include "contentfilter/domains.h"
#include "contentfilter/request.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <unordered_set>

namespace contentfilter {
namespace {

// Runs in the program's own script world, so the page can neither see nor
// undo it. The style element goes in as soon as the document has a root;
// with no root yet, it waits for the first one.
const char kScriptBody[] = R"((function () {
  var data = %1, allowed = %2, text = data[0];
  var host = location.hostname.toLowerCase();
  function under(h, d) { return h === d || (h.length > d.length && h.endsWith('.' + d)); }
  for (var i = 0; i < allowed.length; ++i) if (under(host, allowed[i])) return;
  var hide = [], unhide = {}, generic = true;
  for (var h = host; h; ) {
    var site = data[2][h];
    if (site) {
      hide = hide.concat(site[0]);
      site[1].forEach(function (s) { unhide[s] = true; });
      if (site[2]) generic = false;
    }
    var dot = h.indexOf('.');
    if (dot < 0) break;
    h = h.slice(dot + 1);
  }
  var all = (generic ? data[1] : []).concat(hide).filter(function (s) { return !unhide[s]; });
  if (!all.length) return;
  var css = all.map(function (s) { return text[s] + '{display:none!important}'; }).join('\n');
  function add() {
    var style = document.createElement('style');
    style.textContent = css;
    (document.head || document.documentElement).appendChild(style);
  }
  if (document.documentElement) add();
  else new MutationObserver(function (m, o) { if (document.documentElement) { o.disconnect(); add(); } })
      .observe(document, {childList: true});
})();)";

} // namespace

uint32_t CosmeticBuilder::selectorNumber(const std::string &selector)
{
    const auto [it, added] = m_numbers.emplace(selector, uint32_t(m_selectors.size()));
    if (added)
        m_selectors.push_back(selector);
    return it->second;
}

void CosmeticBuilder::add(const CosmeticRuleText &rule)
{
    const uint32_t n = selectorNumber(rule.selector);
    if (rule.includeDomains.empty()) {
        if (rule.exception) {
            if (rule.excludeDomains.empty())
                m_globalUnhide.push_back(n);
            // "~a.com#@#x" would take x back everywhere but a.com: no list
            // means that, and it has no faithful reading here.
            return;
        }
        m_generic.push_back(n);
        for (const std::string &site : rule.excludeDomains)
            m_sites[site].unhide.push_back(n);
        return;
    }
    for (const std::string &site : rule.includeDomains)
        (rule.exception ? m_sites[site].unhide : m_sites[site].hide).push_back(n);
    if (!rule.exception)
        for (const std::string &site : rule.excludeDomains)
            m_sites[site].unhide.push_back(n);
}

void CosmeticBuilder::addGenericHideException(const std::string &host)
{
    m_sites[host].noGeneric = true;
}

CosmeticTables CosmeticBuilder::finish()
{
    CosmeticTables t;
    const std::unordered_set<uint32_t> gone(m_globalUnhide.begin(), m_globalUnhide.end());
    std::unordered_set<uint32_t> seen;
    for (uint32_t n : m_generic)
        if (!gone.count(n) && seen.insert(n).second)
            t.generic.push_back(n);
    for (const std::string &selector : m_selectors) {
        t.selectorStarts.push_back(uint32_t(t.selectorText.size()));
        t.selectorText += selector;
    }
    t.selectorStarts.push_back(uint32_t(t.selectorText.size()));
    for (auto &[name, built] : m_sites) {
        std::erase_if(built.hide, [&gone](uint32_t n) { return gone.count(n) != 0; });
        CosmeticSite site;
        site.hash = domainHash(name);
        site.name = uint32_t(t.siteNames.size());
        site.nameLength = uint32_t(name.size());
        t.siteNames += name;
        site.hide = uint32_t(t.siteSelectors.size());
        site.hideCount = uint32_t(built.hide.size());
        t.siteSelectors.insert(t.siteSelectors.end(), built.hide.begin(), built.hide.end());
        site.unhide = uint32_t(t.siteSelectors.size());
        site.unhideCount = uint32_t(built.unhide.size());
        t.siteSelectors.insert(t.siteSelectors.end(), built.unhide.begin(), built.unhide.end());
        site.noGeneric = built.noGeneric;
        t.sites.push_back(site);
    }
    std::sort(t.sites.begin(), t.sites.end(),
              [](const CosmeticSite &a, const CosmeticSite &b) { return a.hash < b.hash; });
    *this = CosmeticBuilder();
    return t;
}

CosmeticFilter::CosmeticFilter(const View &view) : m_v(view)
{
    m_size = m_v.generic.size();
    for (const CosmeticSite &site : m_v.sites)
        m_size += size_t(site.hideCount) + site.unhideCount;
}

bool CosmeticFilter::isConsistent() const
{
    const auto &starts = m_v.selectorStarts;
    if (starts.empty() || starts.front() != 0 || starts.back() != m_v.selectorText.size())
        return false;
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        if (starts[i] > starts[i + 1])
            return false;
    const uint32_t count = uint32_t(starts.size() - 1);
    const auto fits = [count](std::span<const uint32_t> numbers) {
        return std::all_of(numbers.begin(), numbers.end(), [count](uint32_t n) { return n < count; });
    };
    if (!fits(m_v.generic) || !fits(m_v.siteSelectors))
        return false;
    const uint64_t numbers = m_v.siteSelectors.size();
    for (size_t i = 0; i < m_v.sites.size(); ++i) {
        const CosmeticSite &site = m_v.sites[i];
        if (uint64_t(site.name) + site.nameLength > m_v.siteNames.size() ||
            uint64_t(site.hide) + site.hideCount > numbers || uint64_t(site.unhide) + site.unhideCount > numbers ||
            (i > 0 && m_v.sites[i - 1].hash > site.hash))
            return false;
    }
    return true;
}

std::string_view CosmeticFilter::selector(uint32_t n) const
{
    return m_v.selectorText.substr(m_v.selectorStarts[n], m_v.selectorStarts[n + 1] - m_v.selectorStarts[n]);
}

std::string_view CosmeticFilter::siteName(const CosmeticSite &site) const
{
    return m_v.siteNames.substr(site.name, site.nameLength);
}

const CosmeticSite *CosmeticFilter::site(std::string_view host) const
{
    const uint64_t hash = domainHash(host);
    auto at = std::lower_bound(m_v.sites.begin(), m_v.sites.end(), hash,
                               [](const CosmeticSite &site, uint64_t h) { return site.hash < h; });
    for (; at != m_v.sites.end() && at->hash == hash; ++at)
        if (siteName(*at) == host)
            return &*at;
    return nullptr;
}

std::string CosmeticFilter::styleSheetFor(std::string_view host) const
{
    const std::string lower = lowerAscii(host);
    std::vector<uint32_t> hide;
    std::unordered_set<uint32_t> unhide;
    bool withGeneric = true;
    forEachDomainSuffix(lower, [&](std::string_view suffix) {
        if (const CosmeticSite *s = site(suffix)) {
            const auto numbers = m_v.siteSelectors;
            hide.insert(hide.end(), numbers.begin() + s->hide, numbers.begin() + s->hide + s->hideCount);
            unhide.insert(numbers.begin() + s->unhide, numbers.begin() + s->unhide + s->unhideCount);
            withGeneric = withGeneric && !s->noGeneric;
        }
        return false;
    });
    std::string css;
    const auto addRule = [&](uint32_t n) {
        if (!unhide.count(n)) {
            css += selector(n);
            css += "{display:none!important}\n";
        }
    };
    if (withGeneric)
        std::for_each(m_v.generic.begin(), m_v.generic.end(), addRule);
    std::for_each(hide.begin(), hide.end(), addRule);
    return css;
}

QString CosmeticFilter::pageScript(const QStringList &allowedSites) const
{
    const auto numbers = [this](uint32_t at, uint32_t count) {
        QJsonArray array;
        for (uint32_t i = at; i < at + count; ++i)
            array.append(qint64(m_v.siteSelectors[i]));
        return array;
    };
    QJsonObject bySite;
    for (const CosmeticSite &site : m_v.sites) {
        const std::string_view name = siteName(site);
        bySite.insert(QString::fromUtf8(name.data(), qsizetype(name.size())),
                      QJsonArray{numbers(site.hide, site.hideCount), numbers(site.unhide, site.unhideCount),
                                 site.noGeneric != 0});
    }
    QJsonArray text;
    for (uint32_t n = 0; n + 1 < m_v.selectorStarts.size(); ++n) {
        const std::string_view s = selector(n);
        text.append(QString::fromUtf8(s.data(), qsizetype(s.size())));
    }
    QJsonArray generic;
    for (uint32_t n : m_v.generic)
        generic.append(qint64(n));
    const QJsonArray data{text, generic, bySite};
    const QByteArray dataText = QJsonDocument(data).toJson(QJsonDocument::Compact);
    QJsonArray allowed;
    for (const QString &site : allowedSites)
        allowed.append(site.toLower());
    const QByteArray allowedText = QJsonDocument(allowed).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(kScriptBody).arg(QString::fromUtf8(dataText), QString::fromUtf8(allowedText));
}

} // namespace contentfilter
