// kestrelon-filter [--cache FILE] [--stats] [--timing] [--css HOST] [-r REQUESTS] LIST...
//
// Decides requests with the browser's content filter. Each request is a
// line "URL SOURCE-URL TYPE" (SOURCE-URL "-" when there is no page; TYPE as
// "script", "image", "sub_frame", ...) read from REQUESTS or standard input.
// Each decision is printed as "block<TAB>URL<TAB>RULE" or
// "allow<TAB>URL<TAB>EXCEPTION" (empty when no rule matched). --css prints
// HOST's element-hiding style sheet instead. --stats and --timing write the
// rule counts and the decision times to standard error. Bad arguments exit
// with 2, unreadable files with 1.

#include "contentfilter/filter_lists.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <string>
#include <vector>

using namespace contentfilter;

namespace {

constexpr char kUsage[] =
    "usage: kestrelon-filter [--cache FILE] [--stats] [--timing] [--css HOST] [-r REQUESTS] LIST...\n"
    "  --cache FILE    load the built rules from FILE when the lists match it, else build and write it\n"
    "  --stats         write the rule counts and the skipped rules by reason to standard error\n"
    "  --timing        write decision times, build or load time and memory to standard error\n"
    "  --css HOST      print the element-hiding style sheet for HOST and nothing else\n"
    "  -r REQUESTS     read the requests (URL SOURCE-URL TYPE, one a line) from REQUESTS\n";

struct Arguments {
    QString cache;
    QString requests;
    QString cssHost;
    bool stats = false;
    bool timing = false;
    QStringList lists;
};

bool parseArguments(const QStringList &args, Arguments &out)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--cache") && hasValue)
            out.cache = args[++i];
        else if (arg == QLatin1String("-r") && hasValue)
            out.requests = args[++i];
        else if (arg == QLatin1String("--css") && hasValue)
            out.cssHost = args[++i];
        else if (arg == QLatin1String("--stats"))
            out.stats = true;
        else if (arg == QLatin1String("--timing"))
            out.timing = true;
        else if (arg.startsWith(QLatin1Char('-')))
            return false;
        else
            out.lists << arg;
    }
    return !out.lists.isEmpty();
}

// Large blocks are mapped apart from the heap proper: both count.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            parts.push_back(line.substr(start, i - start));
    }
    return parts;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Arguments args;
    if (!parseArguments(app.arguments(), args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const size_t heapBefore = heapInUse();
    LoadedEngine loaded = loadEngine(args.lists, args.cache, true);
    // The browser's engine has no rule-text places: what it holds is what
    // this one holds without them.
    const size_t heapAfter = heapInUse() - loaded.sources.capacity() * sizeof(uint32_t);
    for (const QString &list : loaded.unreadable)
        std::fprintf(stderr, "kestrelon-filter: cannot read %s\n", qPrintable(list));
    if (!loaded.unreadable.isEmpty())
        return 1;
    const FilterEngine &engine = *loaded.engine;
    if (args.stats) {
        std::fprintf(stderr, "network rules: %u\nelement hiding rules: %u\nskipped: %u\n", engine.networkRuleCount(),
                     engine.cosmeticRuleCount(), engine.skippedCount());
        for (const SkipCount &s : engine.skipped())
            std::fprintf(stderr, "  %s: %u\n", s.reason.c_str(), s.count);
    }
    if (!args.cssHost.isEmpty()) {
        const std::string css = engine.cosmetic().styleSheetFor(args.cssHost.toStdString());
        std::fwrite(css.data(), 1, css.size(), stdout);
        return 0;
    }

    QFile in;
    const bool opened = args.requests.isEmpty() ? in.open(stdin, QIODevice::ReadOnly)
                                                : (in.setFileName(args.requests), in.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "kestrelon-filter: cannot read %s\n", qPrintable(args.requests));
        return 1;
    }
    const QByteArray all = in.readAll();
    std::vector<QByteArray> listTexts;
    std::vector<std::string_view> listViews;
    for (const QString &list : args.lists) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "kestrelon-filter: cannot read %s\n", qPrintable(list));
            return 1;
        }
        listTexts.push_back(file.readAll());
        listViews.emplace_back(listTexts.back().constData(), size_t(listTexts.back().size()));
    }
    const RuleTexts texts(std::move(listViews), std::move(loaded.sources));
    std::vector<qint64> times;
    std::string out;
    size_t badLines = 0;
    QElapsedTimer timer;
    forEachLine(std::string_view(all.constData(), size_t(all.size())), [&](std::string_view line) {
        const std::vector<std::string_view> f = fields(line);
        if (f.empty())
            return;
        const std::optional<ResourceType> type = f.size() == 3 ? typeFromName(f[2]) : std::nullopt;
        if (!type) {
            ++badLines;
            return;
        }
        timer.start();
        const Request request(f[0], f[1] == "-" ? std::string_view() : f[1], *type);
        const Decision decision = engine.decide(request);
        times.push_back(timer.nsecsElapsed());
        out += decision.blocked ? "block\t" : "allow\t";
        out.append(f[0]);
        out += '\t';
        out.append(texts.text(decision.blocked ? decision.rule : decision.exception));
        out += '\n';
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (badLines)
        std::fprintf(stderr, "kestrelon-filter: %zu lines were not \"URL SOURCE-URL TYPE\"\n", badLines);
    if (args.timing && !times.empty()) {
        std::sort(times.begin(), times.end());
        const auto at = [&](double q) { return times[std::min(times.size() - 1, size_t(q * double(times.size())))]; };
        // A loaded engine reads its tables from the mapped cache file, outside the heap.
        const size_t mapped = engine.image().mapped ? engine.image().size : 0;
        std::fprintf(stderr,
                     "requests: %zu\nmedian_ns: %lld\np99_ns: %lld\n%s_ms: %.2f\nheap_bytes: %zu\nmapped_bytes: %zu\n",
                     times.size(), (long long)at(0.5), (long long)at(0.99), loaded.fromCache ? "load" : "build",
                     double(loaded.nanoseconds) / 1e6, heapAfter - heapBefore, mapped);
    }
    return badLines ? 1 : 0;
}
