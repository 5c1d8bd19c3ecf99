// grazerunner-sim verify: each replay played again headless, in a scratch
// folder that holds its stage files. grazerunner-sim compare: what moved
// between two recordings of one game.
#include <algorithm>
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
    // A folder stands for every replay in it, in the order of their names.
    int failed = 0;
    std::vector<std::string> named;
    for (const std::string& file : files) {
        if (!std::filesystem::is_directory(file, error)) {
            named.push_back(file);
            continue;
        }
        std::vector<std::string> inside;
        for (const auto& entry : std::filesystem::directory_iterator(file, error))
            if (entry.path().extension() == ".grr") inside.push_back(file + "/" + entry.path().filename().string());
        std::sort(inside.begin(), inside.end());
        named.insert(named.end(), inside.begin(), inside.end());
        if (inside.empty()) {
            out << file << ": no replay in it\n";
            failed = 1;
        }
    }
    for (const std::string& file : named) {
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

int CompareReplays(const std::string& before, const std::string& after, std::ostream& out) {
    Replay was, is;
    std::string why;
    for (auto [file, replay] : {std::pair{&before, &was}, std::pair{&after, &is}})
        if (!ReadReplayFile(file->c_str(), replay, &why)) {
            out << *file << ": " << why << "\n";
            return 2;
        }
    std::string moved;
    auto add = [&](const std::string& what) { moved += (moved.empty() ? "" : "; ") + what; };
    if (was.result != is.result) add("result " + was.result + " -> " + is.result);
    size_t same = 0;
    while (same < was.checkpoints.size() && same < is.checkpoints.size() && was.checkpoints[same] == is.checkpoints[same])
        same++;
    if (same < was.checkpoints.size() || same < is.checkpoints.size())
        add("checkpoints differ from checkpoint " + std::to_string(same) + " (" + std::to_string(was.checkpoints.size()) +
            " -> " + std::to_string(is.checkpoints.size()) + ")");
    const bool otherInput = was.frames != is.frames || was.input != is.input;
    const std::string input = "input differs (" + std::to_string(was.frames) + " -> " + std::to_string(is.frames) + " frames)";
    if (!moved.empty()) {
        out << after << ": moved: " << moved << (otherInput ? "; " + input : "") << "\n";
        return 1;
    }
    out << after << ": " << (otherInput ? "the same play; " + input : "unchanged") << "\n";
    return 0;
}

}  // namespace sim
