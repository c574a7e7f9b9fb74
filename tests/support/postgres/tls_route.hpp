#pragma once

#include <string>
#include <string_view>

#include "support/postgres/postgres_server.hpp"

namespace tavix::testing {

// The server reached as a site's terminal reaches it over a network: by name over TCP, with TLS
// and the server's certificate verified against the server's own authority and host name
// (sslmode=verify-full). The server must take TLS (ServerSettings::tls).
std::string TlsConnInfo(const PostgresServer& server, std::string_view database);
std::string TlsUri(const PostgresServer& server, std::string_view database);

}  // namespace tavix::testing
