#include <cmath>
#include <string>
#include <vector>

#include "json_text.hpp"
#include "number_text.hpp"
#include "row_writer.hpp"
#include "store/value_text.hpp"

namespace tavix::admin {

namespace {

using store::StoredField;

class JsonLinesWriter final : public RowWriter {
  public:
    explicit JsonLinesWriter(Output& output) : output_(&output) {}

    // Each key with what comes before it, `{"id":` and `,"code":`, made once.
    void Begin(std::span<const std::string_view> names) override {
        for (const std::string_view name : names) {
            std::string lead = lead_ins_.empty() ? "{" : ",";
            AppendJsonString(lead, name);
            lead += ':';
            lead_ins_.push_back(std::move(lead));
        }
    }

    void Row(std::span<const StoredField> fields) override {
        std::string& out = output_->Buffer();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            out += lead_ins_[i];
            AppendField(out, fields[i]);
        }
        out += "}\n";
        output_->RowDone();
    }

  private:
    static void AppendField(std::string& out, const StoredField& field) {
        switch (field.kind) {
            case StoredField::Kind::kNull:
                out += "null";
                return;
            case StoredField::Kind::kInteger:
                AppendInteger(out, field.integer);
                return;
            case StoredField::Kind::kReal:
                if (std::isfinite(field.real)) {
                    store::AppendNumber(out, field.real, '.');
                } else {
                    out += "null";
                }
                return;
            case StoredField::Kind::kText:
                AppendJsonString(out, field.text);
                return;
        }
    }

    Output* output_;
    std::vector<std::string> lead_ins_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeJsonLinesWriter(Output& output) {
    return std::make_unique<JsonLinesWriter>(output);
}

}  // namespace tavix::admin
