// grazerunner-sim verify: each replay played again headless, in a scratch
// folder that holds its stage files.
#include <chrono>
#include <filesystem>
#include <ostream>

#include "game.h"
#include "headless.h"
#include "replay.h"
#include "sim.h"

namespace sim {

int VerifyReplays(const std::vector<std::string>& files, std::ostream& out) {
    std::error_code error;
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path(error) / ("grazerunner-verify-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    int failed = 0;
    for (const std::string& file : files) {
        Replay replay;
        std::string why;
        if (!ReadReplayFile(file.c_str(), &replay, &why)) {
            out << file << ": " << why << "\n";
            failed = 1;
            continue;
        }
        std::filesystem::create_directories(scratch, error);
        bool ok = false;
        std::string said;
        {
            Headless game(scratch.string());
            ktSystem::UseGame(GameEntryPoints);
            said = VerifyReplay(replay, scratch.string(), &ok);
        }
        out << file << ": " << said << (ok ? " ok" : "") << "\n";
        failed |= !ok;
    }
    std::filesystem::remove_all(scratch, error);
    return failed;
}

}  // namespace sim
