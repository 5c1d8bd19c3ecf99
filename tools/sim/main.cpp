// grazerunner-sim SCRIPT: runs the game headless from a script.
// grazerunner-sim verify FILE...: plays replays again and checks them.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "sim.h"

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "verify") {
        std::vector<std::string> files(argv + 2, argv + argc);
        return sim::VerifyReplays(files, std::cout);
    }
    if (argc != 2) {
        std::cerr << "usage: grazerunner-sim SCRIPT   (or --help)\n"
                     "       grazerunner-sim verify FILE.grr...\n";
        return sim::ScriptWrong;
    }
    std::string arg = argv[1];
    if (arg == "--help" || arg == "-h") {
        std::cout << sim::HelpText();
        return 0;
    }
    // The built data folder sits beside the program.
    // Where the system cannot say (no /proc), the path the program was
    // started by tells.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv[0], ec);
    std::string root = ec || self.parent_path().empty() ? std::string(".") : self.parent_path().string();
    if (arg == "-") return sim::RunScript(std::cin, "-", root, std::cout, std::cerr);
    std::ifstream in(arg);
    if (!in) {
        std::cerr << "grazerunner-sim: cannot read " << arg << "\n";
        return sim::ScriptWrong;
    }
    return sim::RunScript(in, arg, root, std::cout, std::cerr);
}
