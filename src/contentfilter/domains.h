#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace contentfilter {

// The registrable domain ("example.co.uk" for "a.b.example.co.uk") by the
// public suffix list. An IP address, a bare name or a public suffix itself
// is its own registrable domain, so two different ones never read as one site.
std::string registrableDomain(std::string_view host);

// Whether `host` is `domain` or one of its subdomains.
bool isSameOrSubdomain(std::string_view host, std::string_view domain);

// A 64-bit hash of a domain name with the lowest bit clear (free for a mark).
uint64_t domainHash(std::string_view domain);

// The host itself, then each parent ("a.b.c", "b.c", "c"), until `visit` returns true.
template<typename Visit>
bool forEachDomainSuffix(std::string_view host, Visit &&visit)
{
    while (!host.empty()) {
        if (visit(host))
            return true;
        const size_t dot = host.find('.');
        if (dot == std::string_view::npos)
            break;
        host.remove_prefix(dot + 1);
    }
    return false;
}

} // namespace contentfilter
