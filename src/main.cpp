#include "app/main_program.hpp"

int main() { tavix::app::Main(); }
