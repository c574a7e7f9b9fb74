#include "program/spool_keeper.hpp"

#include "diagnostics/diagnostic_log.hpp"
#include "program/background_forwarding.hpp"
#include "store/forwarding.hpp"
#include "store/value_text.hpp"

namespace tavix::program {

namespace {

class SpoolKeeperWithLog : public store::ReadingKeeper {
  public:
    explicit SpoolKeeperWithLog(std::shared_ptr<store::ReadingKeeper> spool)
        : spool_(std::move(spool)) {}

    const std::string& Name() const override { return spool_->Name(); }

    void Keep(const std::string& reading_key, const store::KeptReading& reading) override {
        spool_->Keep(reading_key, reading);
        // The same words as for a reading not stored, so that one search finds both.
        diagnostics::LogFailure(
            "storing a reading (terminal " + store::GeneralForm(reading.terminal) + ", code " +
                store::GeneralForm(reading.code) + ", quantity " + store::GeneralForm(reading.qt) +
                ")",
            "kept in " + spool_->Name() + " under reading_key " + reading_key +
                ", to be resent: whether the server stored it could not be found out");
        WakeSpoolForwarding();
    }

  private:
    std::shared_ptr<store::ReadingKeeper> spool_;
};

}  // namespace

std::shared_ptr<store::ReadingKeeper> SpoolKeeper(const std::string& path) {
    return std::make_shared<SpoolKeeperWithLog>(store::OpenSpool(path));
}

}  // namespace tavix::program
