#include "store/postgres/client/target_hosts.hpp"

#include <libpq-fe.h>

#include <algorithm>
#include <memory>
#include <string_view>

namespace tavix::store::postgres {

namespace {

using Options = std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)>;

std::string ValueIn(const PQconninfoOption* options, std::string_view keyword) {
    for (const PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr;
         ++option) {
        if (keyword == option->keyword) {
            return option->val != nullptr ? option->val : "";
        }
    }
    return "";
}

std::vector<std::string> Entries(const std::string& list) {
    std::vector<std::string> entries;
    if (list.empty()) {
        return entries;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        entries.push_back(list.substr(start, comma - start));
        if (comma == std::string::npos) {
            return entries;
        }
        start = comma + 1;
    }
}

bool AnyEmpty(const std::vector<std::string>& entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](const std::string& entry) { return entry.empty(); });
}

// The entry for server `index` of a list that has one per server, or one for all.
std::string EntryFor(const std::vector<std::string>& entries, std::size_t index) {
    if (entries.empty()) {
        return "";
    }
    return entries.size() == 1 ? entries.front() : entries[index];
}

}  // namespace

std::vector<TargetHost> HostsOf(const std::string& target) {
    char* error = nullptr;
    const Options parsed(PQconninfoParse(target.c_str(), &error), PQconninfoFree);
    PQfreemem(error);
    if (parsed == nullptr) {
        return {};  // libpq says why when it connects
    }
    // The environment's servers count only when the target names none, as for libpq.
    const Options defaults(PQconndefaults(), PQconninfoFree);
    const bool target_names_servers =
        !ValueIn(parsed.get(), "host").empty() || !ValueIn(parsed.get(), "hostaddr").empty();
    const PQconninfoOption* servers = target_names_servers ? parsed.get() : defaults.get();
    const std::vector<std::string> hosts = Entries(ValueIn(servers, "host"));
    const std::vector<std::string> addresses = Entries(ValueIn(servers, "hostaddr"));
    std::string port_list = ValueIn(parsed.get(), "port");
    if (port_list.empty()) {
        port_list = ValueIn(defaults.get(), "port");
    }
    const std::vector<std::string> ports = Entries(port_list);
    const std::size_t count = std::max(hosts.size(), addresses.size());
    if (count < 2 || AnyEmpty(hosts) || AnyEmpty(addresses) || AnyEmpty(ports) ||
        (!hosts.empty() && !addresses.empty() && hosts.size() != addresses.size()) ||
        (ports.size() > 1 && ports.size() != count)) {
        return {};
    }
    std::vector<TargetHost> named;
    for (std::size_t i = 0; i < count; ++i) {
        named.push_back({EntryFor(hosts, i), EntryFor(addresses, i), EntryFor(ports, i)});
    }
    return named;
}

}  // namespace tavix::store::postgres
