// grazerunner-sim SCRIPT: runs the game headless from a script.
// grazerunner-sim verify FILE...: plays replays again and checks them.
// grazerunner-sim compare OLD NEW: what moved between two recordings.
// grazerunner-sim random N SEED DIR [ROOT]: records N games of random inputs.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "sim.h"

namespace {

// A whole number from `low` to `high`, or -1.
long long WholeNumber(const char* text, long long low, long long high) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    return *text && !*end && !errno && v >= low && v <= high ? v : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "verify") {
        std::vector<std::string> files(argv + 2, argv + argc);
        return sim::VerifyReplays(files, std::cout);
    }
    if (argc == 4 && std::string(argv[1]) == "compare") return sim::CompareReplays(argv[2], argv[3], std::cout);
    // The built data folder sits beside the program.
    // Where the system cannot say (no /proc), the path the program was
    // started by tells.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv[0], ec);
    std::string root = ec || self.parent_path().empty() ? std::string(".") : self.parent_path().string();
    if ((argc == 5 || argc == 6) && std::string(argv[1]) == "random") {
        const long long count = WholeNumber(argv[2], 1, 1000000), seed = WholeNumber(argv[3], 0, 0xFFFFFFFFll);
        if (count < 0 || seed < 0) {
            std::cerr << "grazerunner-sim: random takes a count of games (1 or more) and a seed (0 to 4294967295)\n";
            return sim::ScriptWrong;
        }
        return sim::PlayRandomGames(int(count), uint32_t(seed), argv[4], argc == 6 ? argv[5] : root, std::cout, std::cerr);
    }
    if (argc != 2) {
        std::cerr << "usage: grazerunner-sim SCRIPT   (or --help)\n"
                     "       grazerunner-sim verify FILE.grr...\n"
                     "       grazerunner-sim compare OLD.grr NEW.grr\n"
                     "       grazerunner-sim random N SEED DIR [ROOT]\n";
        return sim::ScriptWrong;
    }
    std::string arg = argv[1];
    if (arg == "--help" || arg == "-h") {
        std::cout << sim::HelpText();
        return 0;
    }
    if (arg == "-") return sim::RunScript(std::cin, "-", root, std::cout, std::cerr);
    std::ifstream in(arg);
    if (!in) {
        std::cerr << "grazerunner-sim: cannot read " << arg << "\n";
        return sim::ScriptWrong;
    }
    return sim::RunScript(in, arg, root, std::cout, std::cerr);
}
