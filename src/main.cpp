#include "program/main_program.hpp"

int main() {
    tavix::program::Main();
}
