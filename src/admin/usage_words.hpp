#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
class Validator;
}  // namespace CLI

namespace tavix::admin {

// The argument parser's checks and complaints in this tool's own words, not the parser's.

// Takes only one of names: "'xml' is not one of csv, csv-it, jsonl".
CLI::Validator OneOf(const std::vector<std::string>& names);

// Refuses an empty value, which would name no `what` ("file", "store") at all.
CLI::Validator NotEmpty(const std::string& what);

// Takes a PostgreSQL URI only: "'x.mdb' is not a postgresql:// URI".
CLI::Validator APostgresUri();

// Refuses a PostgreSQL URI where a local file is meant.
CLI::Validator NotAServer();

// What went wrong with the arguments, for the parser's failure: a value missing after an
// option, an option given twice, an argument nobody asked for (the first of those the parse
// put aside, program.remaining()). Messages of the checks above pass as they are.
std::string UsageMessage(const CLI::ParseError& error, const CLI::App& program);

}  // namespace tavix::admin
