// tavix-admin: maintenance of the readings store outside the program. `tavix-admin --help`
// lists the commands.

#include "command_line.hpp"

int main(int argc, char** argv) {
    return tavix::admin::RunCommandLine(argc, argv);
}
