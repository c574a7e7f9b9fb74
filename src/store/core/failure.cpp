#include "store/core/failure.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kCopyAction = "copy into the store";

std::string Message(const std::string& store, std::string_view action, std::string_view reason) {
    std::string message = store;
    message.append(": cannot ").append(action).append(": ").append(reason);
    return message;
}

bool HasNoTable(const std::vector<std::string>& problems) {
    return problems.size() == 1 && problems.front().starts_with("there is no table ");
}

std::string Joined(const std::vector<std::string>& sentences) {
    std::string joined;
    for (const std::string& sentence : sentences) {
        joined += (joined.empty() ? "" : "; ") + sentence;
    }
    return joined;
}

}  // namespace

void Fail(const std::string& store, std::string_view action, std::string_view reason,
          ErrorKind kind) {
    throw StoreError(Message(store, action, reason), kind);
}

void FailForNow(const std::string& store, std::string_view action, std::string_view reason,
                ErrorKind kind) {
    throw StoreError(Message(store, action, reason), kind, true);
}

void FailTransiently(const std::string& store, std::string_view action, std::string_view reason,
                     TransientStoreError::Cause cause) {
    throw TransientStoreError(Message(store, action, reason), cause);
}

void RefuseUninitialisedStore(const std::string& name, const std::vector<std::string>& problems) {
    if (HasNoTable(problems)) {
        Fail(name, kCopyAction,
             "it is not an initialised readings store (" + problems.front() +
                 "); create the store with tavix-admin init first");
    }
    Fail(name, kCopyAction,
         "it is not a readings store as tavix-admin init creates it: " + Joined(problems));
}

void RefuseStoreWithReadings(const std::string& name, std::int64_t readings) {
    Fail(name, kCopyAction,
         "it already holds " + std::to_string(readings) +
             (readings == 1 ? " reading" : " readings") +
             "; copy fills only an empty store, so nothing was copied");
}

}  // namespace tavix::store
