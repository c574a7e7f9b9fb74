#include "program/main_program.hpp"

int main(int argc, char** argv) {
    tavix::program::Main(argc, argv);
}
