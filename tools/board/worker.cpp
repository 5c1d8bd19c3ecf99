// `grazerunner-board worker BUDGET`: one game at a time, since the game's
// state is global. Each request on standard input is a command byte ('V'
// verify; 'C' and 'H', the tests' crash and hang, honoured only with
// GRAZERUNNER_BOARD_FAULTS=1), the file's length (u32, little-endian) and
// the file; each answer on standard output one line: "V <result line>" when
// it verifies, "R <why not>" when not.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "board.h"
#include "game.h"
#include "headless.h"

namespace board {

namespace {

bool ReadAll(void* into, size_t size) {
    auto* at = static_cast<uint8_t*>(into);
    while (size > 0) {
        const ssize_t got = read(0, at, size);
        if (got <= 0) return false;
        at += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

std::string Judge(const Bytes& file, uint32_t frameBudget, const std::string& scratch, bool* ok) {
    *ok = false;
    Replay replay;
    std::string why;
    if (!ParseReplay(file.data(), file.size(), &replay, &why)) return why;
    if (!replay.finished) return "an unfinished game: it ended before its results";
    if (replay.frames > frameBudget)
        return "too many frames: " + std::to_string(replay.frames) + ", past the board's budget of " +
               std::to_string(frameBudget);
    std::error_code error;
    std::filesystem::remove_all(scratch, error);
    std::filesystem::create_directories(scratch, error);
    sim::Headless game(scratch);
    if (!game.ok()) return "the worker cannot enter its scratch folder";
    ktSystem::UseGame(GameEntryPoints);
    bool verified = false;
    const std::string said = VerifyReplay(replay, scratch, &verified);
    if (!verified) return said;
    if (ktSystem::SceneId != 4) return "an unfinished game: played again it does not reach its results";
    *ok = true;
    return said;
}

}  // namespace

int RunWorker(uint32_t frameBudget) {
    const bool faults = std::getenv("GRAZERUNNER_BOARD_FAULTS") && std::string(std::getenv("GRAZERUNNER_BOARD_FAULTS")) == "1";
    std::error_code error;
    const std::string scratch =
        (std::filesystem::temp_directory_path(error) / ("grazerunner-board-worker-" + std::to_string(getpid()))).string();
    // Answers go out on what was standard output; anything the game prints
    // goes to standard error instead, so that it cannot garble them.
    const int answers = dup(1);
    dup2(2, 1);
    for (;;) {
        uint8_t head[5];
        if (!ReadAll(head, sizeof head)) break;
        const uint32_t size = head[1] | head[2] << 8 | head[3] << 16 | uint32_t(head[4]) << 24;
        if (size > MaxReplayBytes) break;
        Bytes file(size);
        if (!ReadAll(file.data(), size)) break;
        if (faults && head[0] == 'C') std::abort();
        if (faults && head[0] == 'H')
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        bool ok = false;
        std::string said = Judge(file, frameBudget, scratch, &ok);
        for (char& c : said)
            if (c == '\n' || c == '\r') c = ' ';
        const std::string line = std::string(ok ? "V " : "R ") + said + "\n";
        if (write(answers, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    }
    std::filesystem::remove_all(scratch, error);
    return 0;
}

}  // namespace board
