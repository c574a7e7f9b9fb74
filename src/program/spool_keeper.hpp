#pragma once

#include <memory>
#include <string>

#include "store/reading_keeper.hpp"

namespace tavix::program {

// The keeper the program gives a store on a server (store::StoreOptions::keeper): the spool at
// path (store::OpenSpool). A reading kept there was confirmed to the operator, so the log says
// it was kept and will be resent, naming its reading_key, never that it was not stored; then
// the spool's forwarder is woken (background_forwarding.hpp). A reading the spool cannot take
// either is the store's to report as not stored.
std::shared_ptr<store::ReadingKeeper> SpoolKeeper(const std::string& path);

}  // namespace tavix::program
