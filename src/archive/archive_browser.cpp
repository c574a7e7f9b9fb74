#include "archive/archive_browser.hpp"

namespace tavix::archive {

void ArchiveBrowser() {}

void MenuKey(console::KeyCode& /*key*/, console::KeyAction& /*action*/, std::int32_t /*menu_id*/) {}

}  // namespace tavix::archive
