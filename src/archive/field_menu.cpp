#include "archive/field_menu.hpp"

namespace tavix::archive {

namespace {

// Bytes of the console's code page.
constexpr char kHashLookAlike = '\x87';   // double dagger
constexpr char kTildeLookAlike = '\x98';  // small tilde
constexpr char kBarLookAlike = '\xA6';    // broken bar

}  // namespace

std::string MenuSafeText(const std::string& value) {
    std::string shown = value;
    for (char& c : shown) {
        switch (c) {
            case '#':
                c = kHashLookAlike;
                break;
            case '~':
                c = kTildeLookAlike;
                break;
            case '|':
                c = kBarLookAlike;
                break;
            default:
                break;
        }
    }
    return shown;
}

std::string FieldMenuItems(const ReadingTexts& texts) {
    return "~Codice:#" + MenuSafeText(texts.code) + "#~Quantita':#" + MenuSafeText(texts.quantity) +
           "#~Terminale:#" + MenuSafeText(texts.terminal) + "#~Data:#" + MenuSafeText(texts.date) +
           "#~Ora:#" + MenuSafeText(texts.time);
}

}  // namespace tavix::archive
