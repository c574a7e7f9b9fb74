#include "value_text.hpp"

#include "number_text.hpp"
#include "store/value_text.hpp"

namespace tavix::admin {

std::string ValueText(const store::StoredField& field) {
    std::string text;
    switch (field.kind) {
        case store::StoredField::Kind::kNull:
            return "(none)";
        case store::StoredField::Kind::kInteger:
            AppendInteger(text, field.integer);
            return text;
        case store::StoredField::Kind::kReal:
            store::AppendNumber(text, field.real, '.');
            return text;
        case store::StoredField::Kind::kText:
            return field.text;
    }
    return text;
}

}  // namespace tavix::admin
