#pragma once

namespace tavix::store::postgres {

// A client certificate's key may be kept under a passphrase. libpq takes it from the target's
// sslpassword; without one it lets OpenSSL ask for it on the terminal, which under the
// program's full-screen display is a prompt nobody sees and a wait that never ends, and in
// tavix-admin a wait in the middle of a script. Once this has run, a passphrase comes from
// sslpassword or not at all: a key that needs one fails to load, and the connection fails at
// once with libpq's words. Idempotent, for every connection of the process.
void NeverAskForAKeyPassphrase();

}  // namespace tavix::store::postgres
