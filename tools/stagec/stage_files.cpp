// Files of the stage compiler: reading sources, building the whole set of
// stage data files, and reading a stage back from a data folder.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "stagec.h"

namespace stagec {

namespace fs = std::filesystem;

namespace {

// No stage file comes near this; anything bigger is not one of ours.
constexpr std::uintmax_t MaxFileBytes = 16u * 1024u * 1024u;

// The stage number of a source file name "stageN.txt" (N without leading
// zeros), or -1 when the name is not of that form.
int StageNumberOfName(const std::string& name) {
    const std::string prefix = "stage";
    const std::string suffix = ".txt";
    if (name.size() <= prefix.size() + suffix.size()) return -1;
    if (name.compare(0, prefix.size(), prefix) != 0) return -1;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return -1;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 2) return -1;
    if (digits.size() > 1 && digits[0] == '0') return -1;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string Bytes(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    return (fs::path(dir) / name).string();
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string* out, std::string* error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        *error = path + ": is a folder, not a file";
        return 0;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open for reading";
        return 0;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > MaxFileBytes) {
        *error = path + ": too large (" + std::to_string(size) + " bytes) for a stage file";
        return 0;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        *error = path + ": read error";
        return 0;
    }
    *out = buffer.str();
    return 1;
}

int WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        *error = path + ": cannot open for writing";
        return 0;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        *error = path + ": write error";
        return 0;
    }
    return 1;
}

int CompileStageFile(const std::string& path, StageData* out, std::string* error) {
    std::string text;
    if (!ReadWholeFile(path, &text, error)) return 0;
    return CompileStageText(path, text, out, error);
}

int BuildStages(const std::string& stagesDir, const std::string& outDir, int* stageCount,
                std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(stagesDir, ec)) {
        *error = stagesDir + ": not a folder of stage sources";
        return 0;
    }
    // Find stage0.txt .. stageN.txt; every other .txt file is a mistake.
    std::vector<std::string> byNumber(MaxStages);
    int highest = -1;
    for (const fs::directory_entry& entry : fs::directory_iterator(stagesDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".txt") continue;
        const int n = StageNumberOfName(name);
        if (n < 0) {
            *error = JoinPath(stagesDir, name) +
                     ": a stage source is named stageN.txt with N from 0 to 99 "
                     "(no leading zeros); move other .txt files out of this folder";
            return 0;
        }
        byNumber[n] = JoinPath(stagesDir, name);
        highest = std::max(highest, n);
    }
    if (ec) {
        *error = stagesDir + ": cannot list the folder (" + ec.message() + ")";
        return 0;
    }
    if (highest < 0) {
        *error = stagesDir + ": no stage sources (stage0.txt, stage1.txt, ...)";
        return 0;
    }
    for (int n = 0; n <= highest; n++) {
        if (byNumber[n].empty()) {
            *error = JoinPath(stagesDir, "stage" + std::to_string(n) + ".txt") +
                     ": missing; the stages run from stage0.txt to stage" +
                     std::to_string(highest) + ".txt without gaps";
            return 0;
        }
    }
    // Compile everything first, so a bad source leaves the data folder alone.
    std::vector<StageData> stages(static_cast<size_t>(highest) + 1);
    for (int n = 0; n <= highest; n++) {
        if (!CompileStageFile(byNumber[n], &stages[n], error)) return 0;
    }
    fs::create_directories(outDir, ec);
    std::string bossBytes;
    for (int n = 0; n <= highest; n++) {
        const std::string base = JoinPath(outDir, "stage" + std::to_string(n));
        if (!WriteWholeFile(base + ".da1", Bytes(stages[n].shots), error)) return 0;
        if (!WriteWholeFile(base + ".da2", Bytes(stages[n].moves), error)) return 0;
        bossBytes += static_cast<char>(stages[n].bossHpByte);
    }
    if (!WriteWholeFile(JoinPath(outDir, "bshp.dat"), bossBytes, error)) return 0;
    char lastStage[16];
    std::snprintf(lastStage, sizeof lastStage, "%02d", highest);
    if (!WriteWholeFile(JoinPath(outDir, "stageno.txt"), lastStage, error)) return 0;
    if (stageCount) *stageCount = highest + 1;
    return 1;
}

int LoadStageData(int stageNo, const std::string& dataDir, StageData* out, std::string* error) {
    *out = StageData();
    if (stageNo < 0 || stageNo >= MaxStages) {
        *error = "stage " + std::to_string(stageNo) + " is out of range; stages run from 0 to " +
                 std::to_string(MaxStages - 1);
        return 0;
    }
    const std::string base = JoinPath(dataDir, "stage" + std::to_string(stageNo));
    std::string shots, moves, bossBytes;
    if (!ReadWholeFile(base + ".da1", &shots, error)) return 0;
    if (!ReadWholeFile(base + ".da2", &moves, error)) return 0;
    const std::string bossPath = JoinPath(dataDir, "bshp.dat");
    if (!ReadWholeFile(bossPath, &bossBytes, error)) return 0;
    if (bossBytes.size() <= static_cast<size_t>(stageNo)) {
        *error = bossPath + ": holds " + std::to_string(bossBytes.size()) +
                 " byte(s), none for stage " + std::to_string(stageNo) +
                 " (the game would end that stage on its first frame)";
        return 0;
    }
    out->shots.assign(shots.begin(), shots.end());
    out->moves.assign(moves.begin(), moves.end());
    out->bossHpByte = static_cast<uint8_t>(bossBytes[stageNo]);
    return 1;
}

}  // namespace stagec
