#include "contentfilter/domains.h"

#include <arpa/inet.h>
#include <libpsl.h>

namespace contentfilter {
namespace {

const psl_ctx_t *suffixList()
{
    // The system's list when it is installed (it is kept up to date with the
    // package), the one built into the library otherwise. Never freed: it
    // lives as long as the program.
    static const psl_ctx_t *list = [] {
        const psl_ctx_t *latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

bool isIpAddress(const std::string &host)
{
    if (!host.empty() && host.front() == '[')
        return true;
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1;
}

} // namespace

std::string registrableDomain(std::string_view host)
{
    std::string name(host);
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name.empty() || isIpAddress(name) || !suffixList())
        return name;
    const char *domain = psl_registrable_domain(suffixList(), name.c_str());
    return domain ? std::string(domain) : name;
}

bool isSameOrSubdomain(std::string_view host, std::string_view domain)
{
    if (domain.empty() || host.size() < domain.size() || host.substr(host.size() - domain.size()) != domain)
        return false;
    return host.size() == domain.size() || host[host.size() - domain.size() - 1] == '.';
}

uint64_t domainHash(std::string_view domain)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : domain)
        hash = (hash ^ c) * 1099511628211ull;
    return hash & ~uint64_t(1);
}

} // namespace contentfilter
