#include "support/postgres/server_certificates.hpp"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace tavix::testing {

namespace {

// Two days: long enough for any run, short enough that a copy left behind is worth nothing.
constexpr const char* kCommonOptions =
    " -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -days 2";

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void RunOpenssl(const std::string& folder, const std::string& arguments) {
    const std::string log = folder + "/openssl.log";
    const std::string command = "openssl req" + std::string(kCommonOptions) + arguments + " >" +
                                Quoted(log) + " 2>&1 </dev/null";
    if (std::system(command.c_str()) != 0) {
        std::ifstream said(log);
        const std::string words(std::istreambuf_iterator<char>(said), {});
        throw std::runtime_error("cannot make the server's certificates with openssl: " + words);
    }
}

// Its key kept under passphrase, or in clear when there is none.
void MakeAuthority(const std::string& key, const std::string& certificate,
                   const std::string& folder, const std::string& passphrase = "") {
    const std::string protection =
        passphrase.empty() ? " -noenc" : " -passout " + Quoted("pass:" + passphrase);
    RunOpenssl(folder, protection + " -subj '/CN=Tavix test authority' -keyout " + Quoted(key) +
                           " -out " + Quoted(certificate));
}

}  // namespace

ServerCertificates CertificatesIn(const std::string& folder) {
    return {folder + "/authority.crt", folder + "/server.crt", folder + "/server.key"};
}

ServerCertificates MakeServerCertificates(const std::string& folder, uid_t key_owner) {
    const ServerCertificates files = CertificatesIn(folder);
    const std::string authority_key = folder + "/authority.key";
    MakeAuthority(authority_key, files.authority, folder);
    RunOpenssl(folder,
               " -noenc -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"
               " -addext basicConstraints=critical,CA:FALSE -CA " +
                   Quoted(files.authority) + " -CAkey " + Quoted(authority_key) + " -keyout " +
                   Quoted(files.key) + " -out " + Quoted(files.certificate));
    if (::chown(files.key.c_str(), key_owner, key_owner) != 0 ||
        ::chmod(files.key.c_str(), S_IRUSR | S_IWUSR) != 0) {
        throw std::system_error(errno, std::generic_category(), "hand over " + files.key);
    }
    return files;
}

CertificateAndKey MakeCertificateAuthority(const std::string& folder,
                                           const std::string& passphrase) {
    const CertificateAndKey files{folder + "/other-authority.crt", folder + "/other-authority.key"};
    MakeAuthority(files.key, files.certificate, folder, passphrase);
    return files;
}

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = fd >= 0 &&
                       ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!bound) {
        throw std::system_error(error, std::generic_category(), "find a free port on 127.0.0.1");
    }
    return ntohs(address.sin_port);
}

}  // namespace tavix::testing
