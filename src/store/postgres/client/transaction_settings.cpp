#include "store/postgres/client/transaction_settings.hpp"

#include <cctype>

namespace tavix::store::postgres {

namespace {

// client_connection_check_interval exists from PostgreSQL 14 on.
constexpr int kFirstVersionCheckingClients = 140000;
constexpr const char* kClientCheckMilliseconds = "1000";

bool StartsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) {
            return false;
        }
    }
    return text.size() == word.size() ||
           std::isalnum(static_cast<unsigned char>(text[word.size()])) == 0;
}

}  // namespace

std::vector<TransactionSetting> StoreSettings(const Timeouts& timeouts, int server_version) {
    std::vector<TransactionSetting> settings{
        {"synchronous_commit", "on"},
        {"statement_timeout", std::to_string(timeouts.statement.count())},
        {"lock_timeout", std::to_string(timeouts.lock.count())},
        {"DateStyle", "ISO, YMD"}};
    if (server_version >= kFirstVersionCheckingClients) {
        settings.push_back({"client_connection_check_interval", kClientCheckMilliseconds});
    }
    return settings;
}

std::string SettingsQuery(std::size_t settings) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < settings; ++i) {
        sql += (i == 0 ? "" : ", ") + std::string("set_config($") + std::to_string(2 * i + 1) +
               ", $" + std::to_string(2 * i + 2) + ", true)";
    }
    return sql;
}

bool OpensTransactionBlock(std::string_view sql) {
    while (!sql.empty() && std::isspace(static_cast<unsigned char>(sql.front())) != 0) {
        sql.remove_prefix(1);
    }
    return StartsWithWord(sql, "BEGIN") || StartsWithWord(sql, "START");
}

}  // namespace tavix::store::postgres
