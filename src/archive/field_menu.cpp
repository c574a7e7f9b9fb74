#include "archive/field_menu.hpp"

#include "console/item_list.hpp"

namespace tavix::archive {

std::string FieldMenuItems(const ReadingTexts& texts) {
    using console::AsItemText;
    return "~Codice:#" + AsItemText(texts.code) + "#~Quantita':#" + AsItemText(texts.quantity) +
           "#~Terminale:#" + AsItemText(texts.terminal) + "#~Data:#" + AsItemText(texts.date) +
           "#~Ora:#" + AsItemText(texts.time);
}

}  // namespace tavix::archive
