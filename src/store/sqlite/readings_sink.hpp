#pragma once

#include <string>

#include "store/readings_sink.hpp"

struct sqlite3;
struct sqlite3_stmt;

namespace tavix::store::sqlite {

// A readings file filled inside one write transaction (BEGIN IMMEDIATE: no other program
// stores a reading meanwhile, while readers go on), committed with full synchronisation.
// Every value goes in as the source holds it, text or number, its bytes untouched.
class ReadingsSink final : public store::ReadingsSink {
  public:
    // Opens the file at path, which must exist, and begins the transaction. Throws StoreError
    // when it cannot, or when the file is not an initialised, empty readings database.
    explicit ReadingsSink(std::string path);
    ReadingsSink(const ReadingsSink&) = delete;
    ReadingsSink& operator=(const ReadingsSink&) = delete;
    ~ReadingsSink() override;

    const std::string& Name() const override { return path_; }
    std::vector<std::string> Append(std::span<const StoredField> reading) override;
    void Commit() override;

  private:
    void Open();
    void Execute(const char* sql, std::string_view action);
    std::int64_t ReadingsHeld();
    std::string BindField(int index, const StoredField& field, std::string_view column);
    void Check(int result, std::string_view action);

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    bool committed_ = false;
};

}  // namespace tavix::store::sqlite
