// vantoractl: the command line of the VANTORA keyboard driver.
#include <iostream>
#include <string>
#include <vector>

#include "cli/vantoractl.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vantora::cli::RunVantoraCtl(args, std::cout, std::cerr);
}
