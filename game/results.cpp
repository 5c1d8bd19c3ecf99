// The results scene: the final score as a wall of digit cells until the
// player confirms, then one line for the game at the end of the score log
// point.txt and back to the title. The log is only ever appended to: the one
// in the working folder, or, where that cannot be written (a game installed
// read-only, started from the root folder), the one in the player's own data
// folder.
#include <cstdio>
#include <cstring>
#include <string>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "replay.h"

namespace {

constexpr const char* ScoreLogName = "point.txt";

constexpr int32_t WallColumns = 8;
constexpr int32_t WallRows = 12;
constexpr int32_t CellWidth = 40;
constexpr int32_t CellHeight = 20;

// Name tag of each character, as the log writes it.
constexpr const char* NameTags[3] = {
    "N:ASTER",   // 0
    "N:BRIONY",  // 1
    "N:CALLA",   // 2
};

// Log line of each difficulty; any other value is written as MASTER.
constexpr const char* KidsLine = "STAGE %d MAXCOMBO %d POINT %u %s M:KIDS\n";
constexpr const char* StandardLine = "STAGE %d MAXCOMBO %d POINT %u %s M:STANDARD\n";
constexpr const char* MasterLine = "STAGE %d MAXCOMBO %d POINT %u %s M:MASTER\n";

// Row r shows the digit of Score at the place 10^(11 - r): read from the top,
// the rows spell the score with twelve digits and leading zeros.
void DrawDigitWall() {
    uint64_t place = 1;
    for (int32_t r = WallRows - 1; r >= 0; r--) {
        const int32_t digit = static_cast<int32_t>((Score / place) % 10);
        for (int32_t c = 0; c < WallColumns; c++)
            ktDraw::DrawObject(CellWidth * c, CellHeight * r, DigitsImage, 0, CellHeight * digit,
                               CellWidth, CellHeight * digit + CellHeight);
        place *= 10;
    }
}

// Appends the game's line to the score log. A log that can be opened
// nowhere loses this one line, with a message; earlier lines are never
// touched.
void AppendScoreLine() {
    static char where[PathBufferSize];
    bool inPlayersFolder = false;
    std::FILE* log = OpenPlayerFile(ScoreLogName, "a", false, where, &inPlayersFolder);
    if (!log) {
        if (where[0])
            std::fprintf(stderr,
                         "grazerunner: cannot open %s for appending, in the working folder "
                         "nor as %s; this game is not logged\n",
                         ScoreLogName, where);
        else
            std::fprintf(stderr,
                         "grazerunner: cannot open %s for appending in the working folder, and "
                         "the player has no data folder to take it; this game is not logged\n",
                         ScoreLogName);
        return;
    }
    char line[128];
    FormatScoreLine(line, sizeof line);
    std::fputs(line, log);
    if (std::fclose(log) != 0)
        std::fprintf(stderr, "grazerunner: could not finish writing %s\n", where);
    else if (inPlayersFolder)
        std::fprintf(stderr, "grazerunner: the working folder takes no %s; the game's line went to %s\n",
                     ScoreLogName, where);
}

}  // namespace

void FormatScoreLine(char* line, size_t size) {
    const bool knownCharacter = Character >= 0 && Character < 3;
    std::snprintf(PathBuffer, sizeof PathBuffer, "%s", knownCharacter ? NameTags[Character] : "");
    const char* format = GameMode == 2 ? KidsLine : GameMode == 1 ? StandardLine : MasterLine;
    std::snprintf(line, size, format, StageNo, MaxCombo, static_cast<unsigned>(Score), PathBuffer);
}

bool ParseScoreLine(const std::string& text, ScoreLine* out) {
    std::string line = text;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    int stage = 0, combo = 0;
    unsigned points = 0;
    char tag[16] = {}, mode[16] = {};
    if (std::sscanf(line.c_str(), "STAGE %d MAXCOMBO %d POINT %u N:%15s M:%15s", &stage, &combo, &points, tag, mode) != 5)
        return false;
    // Read back only what one of the formats writes, byte for byte.
    constexpr const char* Formats[3] = {MasterLine, StandardLine, KidsLine};
    constexpr const char* Modes[3] = {"MASTER", "STANDARD", "KIDS"};
    for (int m = 0; m < 3; m++)
        for (int c = 0; c < 3; c++) {
            char again[128];
            std::snprintf(again, sizeof again, Formats[m], stage, combo, points, NameTags[c]);
            if (line + "\n" != again) continue;
            *out = ScoreLine{stage, combo, points, Modes[m], NameTags[c] + 2};
            return true;
        }
    return false;
}

void DrawResultsScreen() {
    ktDraw::ClearScreen();
    DrawDigitWall();
    ktDraw::DrawObject(120, 110, ChipsImage2, 0, 120, 80, 140);
    ktDraw::Flip();
}

void ResultsFrame() {
    DrawResultsScreen();

    if (ktSystem::GetKeyState(ktPlatform::VK_RETURN) < 0 || ktSystem::PadButton(0, 4) == 1) {
        AppendScoreLine();
        ktDraw::SwapObject("./data/start.bmp", MenuBackImage);
        ktSystem::SceneId = 2;
        ktSound::StopObject(MenuLoopSound, -1);
    }
}
