#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "admin_command.hpp"
#include "count_text.hpp"
#include "store/chosen_database_target.hpp"
#include "store/database_target.hpp"
#include "store/forwarding.hpp"
#include "store/settings_file.hpp"
#include "store/store_error.hpp"
#include "store_target.hpp"
#include "text/glyphs.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

constexpr const char* kForwardSynopsis = "tavix-admin forward FILE [URI] [--mark-sent]";

struct ForwardArguments {
    std::string file;
    std::string uri;
    bool mark_sent = false;
};

// The store tavix-admin works on when it is a server: where a spool's readings belong.
std::optional<store::ChosenTarget> ServerStore() {
    try {
        std::string store = StoreTarget("");
        if (store::IsPostgresTarget(store)) {
            return store::ChosenTarget{std::move(store), ""};
        }
    } catch (const store::StoreError&) {
        // No store named and none beside tavix-admin: no server either.
    }
    return std::nullopt;
}

// The server: URI, else TAVIX_FORWARD, else the settings file's `forward`, else the store
// when it is a server (a host whose programs store into a server forwards its spool there).
std::optional<store::ChosenTarget> ServerOf(const ForwardArguments& arguments) {
    std::optional<store::ChosenTarget> server;
    try {
        server = store::ChooseForwardTarget(
            arguments.uri.empty() ? std::nullopt : std::optional(arguments.uri), "URI");
    } catch (const store::SettingsError& error) {
        throw store::StoreError(error.what());
    }
    return server ? server : ServerStore();
}

void WarnOfSetAside(const store::ForwardOutcome& outcome) {
    for (const std::string& reason : outcome.set_aside_reasons) {
        // A reason quotes the data, whose control codes must not act on the terminal.
        std::cerr << "tavix-admin: warning: set aside, the server refused it for good: "
                  << text::TerminalText(reason) << '\n';
    }
}

int Report(const store::ForwardOutcome& outcome, const ForwardArguments& arguments,
           const std::string& server) {
    WarnOfSetAside(outcome);
    if (!outcome.failure || outcome.forwarded > 0) {
        std::cout << text::TerminalText("Forwarded " + CountText(outcome.forwarded, "change") +
                                        " from " + arguments.file + " to " +
                                        store::DisplayedTarget(server))
                  << '\n';
    }
    if (outcome.failure) {
        const std::string left = outcome.waiting > 0 ? arguments.file + ": " +
                                                           CountText(outcome.waiting, "change") +
                                                           " left to forward: "
                                                     : "";
        return ReportFailure(text::TerminalText(left + *outcome.failure));
    }
    if (outcome.set_aside > 0) {
        return ReportFailure(CountText(outcome.set_aside, "change") +
                             " set aside, see above (tavix-admin check " + arguments.file + ")");
    }
    return kSuccess;
}

int Forward(const ForwardArguments& arguments) {
    const std::optional<store::ChosenTarget> server = ServerOf(arguments);
    if (!server) {
        return ReportUsageError(std::string("no server named: give URI, set ") +
                                    store::kForwardVariable + ", or set 'forward' in " +
                                    store::SettingsFilePath() + " (or a server as 'database')",
                                {kForwardSynopsis});
    }
    if (!store::IsPostgresTarget(server->target)) {
        return ReportUsageError(
            server->origin + ": '" + server->target + "' is not a postgresql:// URI",
            {kForwardSynopsis});
    }
    store::Forwarder forwarder(
        arguments.file, server->target,
        arguments.mark_sent ? store::History::kMarkSent : store::History::kQueue);
    return Report(forwarder.ForwardPending(), arguments, server->target);
}

}  // namespace

AdminCommand AddForwardCommand(CLI::App& program) {
    auto arguments = std::make_shared<ForwardArguments>();
    CLI::App* command = program.add_subcommand(
        "forward",
        "Forward what waits in a readings file (or a spool) to the server, once; exit 1 when "
        "something is left");
    command
        ->add_option("FILE", arguments->file,
                     "The readings file, prepared for forwarding on its first use, or a spool")
        ->required()
        ->type_name("")
        ->check(NotEmpty("file"))
        ->check(NotAServer());
    command
        ->add_option("URI", arguments->uri,
                     "The server (postgresql://...); else $TAVIX_FORWARD, else the 'forward' "
                     "setting")
        ->type_name("")
        ->check(NotEmpty("server"));
    command->add_flag("--mark-sent", arguments->mark_sent,
                      "On the file's first use, take the readings it holds as on the server "
                      "already (copied there before): neither they nor their later changes "
                      "are forwarded");
    return {command, kForwardSynopsis, [arguments] { return Forward(*arguments); }};
}

}  // namespace tavix::admin
