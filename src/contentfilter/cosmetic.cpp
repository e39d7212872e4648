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

QJsonArray toJson(const std::vector<uint32_t> &numbers)
{
    QJsonArray array;
    for (uint32_t n : numbers)
        array.append(qint64(n));
    return array;
}

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

uint32_t CosmeticFilter::selectorNumber(const std::string &selector)
{
    const auto [it, added] = m_numbers.emplace(selector, uint32_t(selectors.size()));
    if (added)
        selectors.push_back(selector);
    return it->second;
}

void CosmeticFilter::add(const CosmeticRuleText &rule)
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
        generic.push_back(n);
        for (const std::string &site : rule.excludeDomains)
            sites[site].unhide.push_back(n);
        return;
    }
    for (const std::string &site : rule.includeDomains)
        (rule.exception ? sites[site].unhide : sites[site].hide).push_back(n);
    if (!rule.exception)
        for (const std::string &site : rule.excludeDomains)
            sites[site].unhide.push_back(n);
}

void CosmeticFilter::addGenericHideException(const std::string &host)
{
    sites[host].noGeneric = true;
}

void CosmeticFilter::finish()
{
    const std::unordered_set<uint32_t> gone(m_globalUnhide.begin(), m_globalUnhide.end());
    std::unordered_set<uint32_t> seen;
    std::vector<uint32_t> kept;
    for (uint32_t n : generic)
        if (!gone.count(n) && seen.insert(n).second)
            kept.push_back(n);
    generic = std::move(kept);
    for (auto &[name, site] : sites)
        std::erase_if(site.hide, [&gone](uint32_t n) { return gone.count(n) != 0; });
    m_globalUnhide.clear();
    m_numbers.clear();
}

std::string CosmeticFilter::styleSheetFor(std::string_view host) const
{
    const std::string lower = lowerAscii(host);
    std::vector<uint32_t> hide;
    std::unordered_set<uint32_t> unhide;
    bool withGeneric = true;
    forEachDomainSuffix(lower, [&](std::string_view suffix) {
        const auto it = sites.find(std::string(suffix));
        if (it != sites.end()) {
            hide.insert(hide.end(), it->second.hide.begin(), it->second.hide.end());
            unhide.insert(it->second.unhide.begin(), it->second.unhide.end());
            withGeneric = withGeneric && !it->second.noGeneric;
        }
        return false;
    });
    std::string css;
    const auto addRule = [&](uint32_t n) {
        if (!unhide.count(n))
            css += selectors[n] + "{display:none!important}\n";
    };
    if (withGeneric)
        std::for_each(generic.begin(), generic.end(), addRule);
    std::for_each(hide.begin(), hide.end(), addRule);
    return css;
}

QString CosmeticFilter::pageScript(const QStringList &allowedSites) const
{
    QJsonObject bySite;
    for (const auto &[name, site] : sites)
        bySite.insert(QString::fromStdString(name), QJsonArray{toJson(site.hide), toJson(site.unhide), site.noGeneric});
    QJsonArray text;
    for (const std::string &selector : selectors)
        text.append(QString::fromStdString(selector));
    const QJsonArray data{text, toJson(generic), bySite};
    const QByteArray dataText = QJsonDocument(data).toJson(QJsonDocument::Compact);
    QJsonArray allowed;
    for (const QString &site : allowedSites)
        allowed.append(site.toLower());
    const QByteArray allowedText = QJsonDocument(allowed).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(kScriptBody).arg(QString::fromUtf8(dataText), QString::fromUtf8(allowedText));
}

size_t CosmeticFilter::size() const
{
    size_t count = generic.size();
    for (const auto &[name, site] : sites)
        count += site.hide.size() + site.unhide.size();
    return count;
}

} // namespace contentfilter
