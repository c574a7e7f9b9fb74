#include "store/postgres/client/key_passphrase.hpp"

#include <libpq-fe.h>

namespace tavix::store::postgres {

void NeverAskForAKeyPassphrase() {
    // libpq's own hook answers with sslpassword, or with nothing; OpenSSL's prompt runs only
    // when no hook is set.
    if (PQgetSSLKeyPassHook_OpenSSL() == nullptr) {
        PQsetSSLKeyPassHook_OpenSSL(PQdefaultSSLKeyPassHook_OpenSSL);
    }
}

}  // namespace tavix::store::postgres
