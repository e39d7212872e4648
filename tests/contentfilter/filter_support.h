#pragma once

#include "contentfilter/filter_engine.h"

#include <memory>
#include <string>
#include <string_view>

namespace filter_testing {

inline std::unique_ptr<contentfilter::FilterEngine> engineOf(std::string_view list)
{
    return contentfilter::FilterEngine::build({list});
}

// "block" or "allow" for `url` requested as `type` by the page at `page`.
inline std::string decide(const contentfilter::FilterEngine &engine, std::string_view url, std::string_view page = {},
                          const char *type = "script")
{
    const contentfilter::Request request(url, page, *contentfilter::typeFromName(type));
    return engine.decide(request).blocked ? "block" : "allow";
}

} // namespace filter_testing
