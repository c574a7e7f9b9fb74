#pragma once

#include <sys/types.h>

#include <string>

namespace tavix::testing {

// The files of a server that takes TLS on 127.0.0.1: a certificate authority of its own, made
// for the server and thrown away with it, and the server's key and certificate signed by it for
// the names a client reaches it by (localhost, 127.0.0.1).
struct ServerCertificates {
    std::string authority;  // what a client names as sslrootcert
    std::string certificate;
    std::string key;
};

// Where those files stand in the server's folder.
ServerCertificates CertificatesIn(const std::string& folder);

// Makes them there with the openssl program. The key is readable by key_owner alone, as the
// server demands. Throws std::runtime_error, with openssl's words, when it cannot.
ServerCertificates MakeServerCertificates(const std::string& folder, uid_t key_owner);

// A certificate authority of its own in folder, trusted by nobody, its key kept under
// passphrase. Its certificate and key serve as well as a client's that the server does not
// trust.
struct CertificateAndKey {
    std::string certificate;
    std::string key;
};
CertificateAndKey MakeCertificateAuthority(const std::string& folder,
                                           const std::string& passphrase);

// A TCP port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort();

}  // namespace tavix::testing
