// Filter lists of any bytes: the engine builds, every line is a rule, a
// skip or nothing, the cache form reads back to the same engine, and the
// style sheets hold nothing but the hiding rules.

#include "fuzz_support.h"

#include "contentfilter/filter_cache.h"
#include "contentfilter/filter_engine.h"

namespace {

size_t countOf(const std::string &text, std::string_view what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view list(reinterpret_cast<const char *>(data), size);
    const contentfilter::EngineTables tables = contentfilter::buildTables({list});
    const auto engine = contentfilter::FilterEngine::fromImage(contentfilter::imageOf(tables));
    FUZZ_CHECK(engine != nullptr);
    const contentfilter::RuleTexts texts({list}, tables.sources);
    size_t lines = 1;
    for (char c : list)
        lines += c == '\n' || c == '\r';
    FUZZ_CHECK(engine->networkRuleCount() + engine->skippedCount() <= lines);

    const QByteArray fingerprint = "fuzz";
    const QByteArray stored = contentfilter::serializeTables(tables, fingerprint);
    auto contents = contentfilter::deserializeTables(stored, fingerprint);
    FUZZ_CHECK(contents.has_value() && contents->sources == tables.sources);
    const contentfilter::FilterEngine &reloaded = *contents->engine;

    for (const char *url : {"https://ads.example.com/banner/ad.js?x=1", "http://127.0.0.1:8080/a^b*c", "x"}) {
        const contentfilter::Request request(url, "https://www.site.example/", contentfilter::ResourceType::Script);
        const auto a = engine->decide(request);
        const auto b = reloaded.decide(request);
        FUZZ_CHECK(a.blocked == b.blocked && a.rule == b.rule && a.exception == b.exception);
        FUZZ_CHECK(!a.blocked || !texts.text(a.rule).empty());
    }
    for (const char *host : {"www.site.example", "site.example", "example"}) {
        const std::string css = engine->cosmetic().styleSheetFor(host);
        FUZZ_CHECK(css == reloaded.cosmetic().styleSheetFor(host));
        const size_t rules = countOf(css, "{display:none!important}\n");
        FUZZ_CHECK(countOf(css, "{") == rules && countOf(css, "}") == rules);
    }
    return 0;
}
