#include "inspect.h"
#include "picture_module.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status = 0;
    // Whatever escapes a command ends it with a message, never an abort.
    try {
        if (const auto command = korvex::parseModelCommand(args)) {
            korvex::ProgramState state;
            korvex::inspectModel(*command, state, std::cout);
        } else {
            status = korvex::runPictureCommand(args, std::cout, std::cerr);
        }
    } catch (const std::bad_alloc&) {
        std::cerr << "korvex-inspect: there is not enough memory\n";
        status = 1;
    } catch (const std::exception& failure) {
        std::cerr << "korvex-inspect: " << failure.what() << '\n';
        status = 1;
    }
    std::cout.flush();
    // Leave without taking a big model apart piece by piece: the system
    // releases all of its memory at once, far faster.
    std::_Exit(std::cout ? status : 1);
}
