#include "support/postgres/tls_route.hpp"

#include "support/postgres/server_certificates.hpp"

namespace tavix::testing {

namespace {

constexpr std::string_view kHost = "localhost";

}  // namespace

std::string TlsConnInfo(const PostgresServer& server, std::string_view database) {
    return "host=" + std::string(kHost) + " port=" + std::to_string(server.Port()) +
           " user=" + kServerSuperuser + " dbname=" + std::string(database) +
           " sslmode=verify-full sslrootcert=" + CertificatesIn(server.Folder()).authority;
}

std::string TlsUri(const PostgresServer& server, std::string_view database) {
    // The host in the query, as the socket route writes it, so that a test that puts a password
    // into the URI finds it in the same place.
    return "postgresql://" + std::string(kServerSuperuser) + "@/" + std::string(database) +
           "?host=" + std::string(kHost) + "&port=" + std::to_string(server.Port()) +
           "&sslmode=verify-full&sslrootcert=" + CertificatesIn(server.Folder()).authority;
}

}  // namespace tavix::testing
