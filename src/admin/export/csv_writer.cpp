#include "number_text.hpp"
#include "row_writer.hpp"
#include "store/value_text.hpp"

namespace tavix::admin {

namespace {

using store::StoredField;

class CsvWriter final : public RowWriter {
  public:
    CsvWriter(Output& output, CsvDialect dialect) : output_(&output), dialect_(dialect) {}

    void Begin(std::span<const std::string_view> names) override {
        std::string& out = output_->Buffer();
        if (dialect_.byte_order_mark) {
            out += "\xEF\xBB\xBF";
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0) {
                out += dialect_.separator;
            }
            AppendText(out, names[i]);
        }
        out += "\r\n";
        output_->RowDone();
    }

    void Row(std::span<const StoredField> fields) override {
        std::string& out = output_->Buffer();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                out += dialect_.separator;
            }
            AppendField(out, fields[i]);
        }
        out += "\r\n";
        output_->RowDone();
    }

  private:
    bool NeedsQuotes(std::string_view text) const {
        if (text.empty()) {
            return true;
        }
        for (const char c : text) {
            if (c == dialect_.separator || c == '"' || c == '\r' || c == '\n') {
                return true;
            }
        }
        return false;
    }

    void AppendText(std::string& out, std::string_view text) const {
        if (!NeedsQuotes(text)) {
            out += text;
            return;
        }
        out += '"';
        for (const char c : text) {
            if (c == '"') {
                out += '"';
            }
            out += c;
        }
        out += '"';
    }

    void AppendField(std::string& out, const StoredField& field) const {
        switch (field.kind) {
            case StoredField::Kind::kNull:
                return;
            case StoredField::Kind::kInteger:
                AppendInteger(out, field.integer);
                return;
            case StoredField::Kind::kReal:
                store::AppendNumber(out, field.real, dialect_.decimal_point);
                return;
            case StoredField::Kind::kText:
                AppendText(out, field.text);
                return;
        }
    }

    Output* output_;
    CsvDialect dialect_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeCsvWriter(Output& output, CsvDialect dialect) {
    return std::make_unique<CsvWriter>(output, dialect);
}

}  // namespace tavix::admin
