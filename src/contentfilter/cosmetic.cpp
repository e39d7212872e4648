#include "contentfilter/cosmetic.h"

#include "contentfilter/domains.h"
#include "contentfilter/request.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <map>
#include <unordered_set>

namespace contentfilter {
namespace {

// Runs in the program's own script world, so the page can neither see nor
// undo it, once a document: the profile gives it to every new document, and
// a document that came before the rules is given it when they come. The
// data is five strings, which the page's script engine takes in far faster
// than arrays of thousands of strings:
//   0  the style sheet of the generic selectors that no single class or id
//      stands for, ready made;
//   1  a line "\nsite\thide numbers\tunhide numbers\tno generic" for each
//      site with rules of its own;
//   2  every selector, a line each, by number (empty for those whose text
//      is in 4);
//   3  the numbers of the selectors in 0;
//   4  a line "token\tentries" for each class (".name") or id ("#name"),
//      lowercase, sorted, with the generic selectors that can only match an
//      element that has it: "=" for the selector that is the token itself,
//      the selector's text for one that no site names, its number in 2 for
//      one that a site names (so that the site's exception finds it).
// The selectors of 4 are most of the generic ones: a document gets only those
// of the classes and ids it has, looked up as its elements come in, so its
// style sheet holds tens of rules instead of thousands. The lookup is a
// binary search in the text of 4 itself: a table built from it would cost
// every document more than all its lookups do. Names are compared
// lowercase, as a document without a doctype compares them. `keyed` is the
// text of 4, or false where none of them applies (no generic rules on the
// site).
const char kScriptBody[] = R"((function () {
  if (window.kestrelonHiding) return;
  window.kestrelonHiding = true;
  var data = %1, allowed = %2, sites = data[1];
  var host = location.hostname.toLowerCase();
  function under(h, d) { return h === d || (h.length > d.length && h.endsWith('.' + d)); }
  for (var i = 0; i < allowed.length; ++i) if (under(host, allowed[i])) return;
  var hide = [], unhide = {}, unhideAny = false, generic = true;
  for (var h = host; h; ) {
    var at = sites.indexOf('\n' + h + '\t');
    if (at >= 0) {
      var site = sites.slice(at + 1, sites.indexOf('\n', at + 1)).split('\t');
      if (site[1]) hide = hide.concat(site[1].split(','));
      if (site[2]) site[2].split(',').forEach(function (n) { unhide[n] = unhideAny = true; });
      if (site[3] === '1') generic = false;
    }
    var dot = h.indexOf('.');
    if (dot < 0) break;
    h = h.slice(dot + 1);
  }
  var text = null;
  function rule(n) { return (text || (text = data[2].split('\n')))[n] + '{display:none!important}'; }
  var css = generic && !unhideAny ? data[0] : '';
  var numbers = (generic && unhideAny ? data[3].split(',') : []).concat(hide);
  css += numbers.filter(function (n) { return n !== '' && !unhide[n]; })
      .map(function (n) { return rule(n) + '\n'; }).join('');
  var keyed = generic && data[4] ? data[4] : false;
  if (!css && keyed === false) return;
  var style = null, added = [], seen = new Set(), done = new Set();
  function placed() {
    if (style && style.isConnected) return true;
    var root = document.head || document.documentElement;
    if (!root) return false;
    style = document.createElement('style');
    style.textContent = css + added.join('\n');
    root.appendChild(style);
    return true;
  }
  function tokens(el, out) {
    var id = el.getAttribute('id'), names = el.getAttribute('class');
    if (id) out.push('#' + id.toLowerCase());
    if (names) names.toLowerCase().split(/\s+/).forEach(function (c) { if (c) out.push('.' + c); });
  }
  function scan(node, out) {
    if (node.nodeType !== 1) return;
    tokens(node, out);
    if (node.firstElementChild) {
      var all = node.querySelectorAll('[id],[class]');
      for (var i = 0; i < all.length; ++i) tokens(all[i], out);
    }
  }
  function entries(t) {
    for (var lo = 0, hi = keyed.length; lo < hi; ) {
      var start = keyed.lastIndexOf('\n', ((lo + hi) >> 1) - 1) + 1;
      if (start < lo) start = lo;
      var tab = keyed.indexOf('\t', start), end = keyed.indexOf('\n', tab);
      if (end < 0) end = keyed.length;
      var key = keyed.slice(start, tab);
      if (key === t) return keyed.slice(tab + 1, end);
      if (key < t) lo = end + 1; else hi = start;
    }
    return '';
  }
  function hideKeyed(out) {
    var rules = [];
    out.forEach(function (t) {
      if (seen.has(t)) return;
      seen.add(t);
      var found = entries(t);
      if (found) found.split(',').forEach(function (e) {
        var key = e === '=' ? t : e, text = e === '=' || e[0] === '.' || e[0] === '#';
        if (!unhide[key] && !done.has(key)) {
          done.add(key);
          rules.push(text ? key + '{display:none!important}' : rule(e));
        }
      });
    });
    if (!rules.length || !placed()) return;
    rules.forEach(function (r) {
      added.push(r);
      try { style.sheet.insertRule(r, style.sheet.cssRules.length); } catch (e) {}
    });
  }
  function whole() {
    if (!placed()) return false;
    if (keyed !== false) { var out = []; scan(document.documentElement, out); hideKeyed(out); }
    return true;
  }
  if (keyed === false) {
    if (!whole()) new MutationObserver(function (m, o) { if (whole()) o.disconnect(); })
        .observe(document, {childList: true});
    return;
  }
  if (document.documentElement) whole();
  new MutationObserver(function (records) {
    if (!placed()) return;
    var out = [];
    records.forEach(function (r) {
      if (r.type === 'attributes') tokens(r.target, out);
      else for (var i = 0; i < r.addedNodes.length; ++i) scan(r.addedNodes[i], out);
    });
    hideKeyed(out);
  }).observe(document, {childList: true, subtree: true, attributes: true, attributeFilter: ['id', 'class']});
})();)";

// The class (".name") or id ("#name") that an element must have for
// `selector` to match it, lowercase, or nothing when there is no single one:
// the selector starts with something else, holds a list, or the name has
// escapes or letters beyond ASCII.
std::string keyOf(std::string_view selector)
{
    if (selector.size() < 2 || (selector[0] != '.' && selector[0] != '#') ||
        selector.find(',') != std::string_view::npos)
        return {};
    const auto nameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    };
    size_t end = 1;
    while (end < selector.size() && nameChar(selector[end]))
        ++end;
    if (end == 1 || (end < selector.size() && std::string_view(" \t>+~.#[:").find(selector[end]) == std::string_view::npos))
        return {};
    return lowerAscii(selector.substr(0, end));
}

// The script with every letter beyond ASCII written as an escape: those
// letters stand only inside its string literals, and a source of ASCII alone
// is held and scanned at one byte a letter by the page's script engine.
QString asciiOnly(const QString &script)
{
    QString out;
    out.reserve(script.size());
    for (const QChar c : script) {
        if (c.unicode() < 0x80)
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}

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
        std::string list;
        for (uint32_t i = at; i < at + count; ++i)
            list += (i > at ? "," : "") + std::to_string(m_v.siteSelectors[i]);
        return list;
    };
    const size_t count = m_v.selectorStarts.empty() ? 0 : m_v.selectorStarts.size() - 1;
    // A site's rules name their selectors by number; a keyed selector that
    // no site names travels in its token's line instead.
    std::vector<bool> named(count), inLine(count);
    for (uint32_t n : m_v.siteSelectors)
        named[n] = true;
    std::string genericSheet;
    std::string genericNumbers;
    std::map<std::string, std::string> keyed;
    for (uint32_t n : m_v.generic) {
        const std::string key = keyOf(selector(n));
        if (!key.empty()) {
            inLine[n] = !named[n];
            std::string &list = keyed[key];
            list += list.empty() ? "" : ",";
            list += !inLine[n] ? std::to_string(n) : key == selector(n) ? std::string("=") : std::string(selector(n));
            continue;
        }
        genericSheet.append(selector(n)).append("{display:none!important}\n");
        genericNumbers += (genericNumbers.empty() ? "" : ",") + std::to_string(n);
    }
    std::string keyedLines;
    for (const auto &[key, list] : keyed)
        keyedLines.append(keyedLines.empty() ? "" : "\n").append(key).append("\t").append(list);
    std::string sites = "\n";
    for (const CosmeticSite &site : m_v.sites) {
        const std::string_view name = siteName(site);
        // No host name holds either; such a name could only break the lines.
        if (name.find_first_of("\t\n") != std::string_view::npos)
            continue;
        sites.append(name).append("\t").append(numbers(site.hide, site.hideCount)).append("\t");
        sites.append(numbers(site.unhide, site.unhideCount)).append(site.noGeneric ? "\t1\n" : "\t0\n");
    }
    std::string selectors;
    for (uint32_t n = 0; n < count; ++n)
        selectors.append(n ? "\n" : "").append(inLine[n] ? std::string_view() : selector(n));
    const auto text = [](const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
    const QJsonArray data{text(genericSheet), text(sites), text(selectors), text(genericNumbers), text(keyedLines)};
    const QByteArray dataText = QJsonDocument(data).toJson(QJsonDocument::Compact);
    QJsonArray allowed;
    for (const QString &site : allowedSites)
        allowed.append(site.toLower());
    const QByteArray allowedText = QJsonDocument(allowed).toJson(QJsonDocument::Compact);
    return asciiOnly(QString::fromUtf8(kScriptBody).arg(QString::fromUtf8(dataText), QString::fromUtf8(allowedText)));
}

} // namespace contentfilter
