// The game's state between scenes: the resource set loaded once at start-up,
// where the stage data comes from, the reset for a new game, the decimal
// helpers, the one random generator and the one way points are added to the
// score.
#include <cstdio>
#include <cstring>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"

namespace {

// Where the number of the last stage is kept; a working folder with this
// file holds a stage set of its own.
constexpr const char* StageCountName = "stageno.txt";
constexpr const char* WorkingStageCount = "./data/stageno.txt";

constexpr int32_t FromWorkingFolder = 0;
constexpr int32_t FromProgramFolder = 1;

// Asked without opening a stream, so that it costs no allocation in the
// middle of a stage.
bool WorkingFolderHasStageData() { return ktSystem::FileExists(WorkingStageCount); }

// `FormatDecimal`'s result: eight digits and the terminating zero.
char DecimalText[9] = {};

// Keeps the leading number of `line`: an optional sign, then digits; the
// first byte that is neither (a line end included) ends it. The kept text
// goes to `out` (at least as long as `line`). Returns the count of digits.
int KeepLeadingNumber(const char* line, char* out) {
    int length = 0;
    if (line[0] == '-' || line[0] == '+') {
        out[0] = line[0];
        length = 1;
    }
    int digits = 0;
    while (line[length] >= '0' && line[length] <= '9') {
        out[length] = line[length];
        length++;
        digits++;
    }
    out[length] = 0;
    return digits;
}

// Reads the number of the last stage from the first two bytes of the first
// line of stageno.txt. A missing file, or one without a number, gives 0.
int32_t ReadLastStage() {
    const char* path = StageDataPath(StageCountName);
    std::FILE* file = path ? ktSystem::OpenFile(path, "rb") : nullptr;
    if (!file) {
        std::fprintf(stderr, "grazerunner: cannot open %s; the game ends after stage 0\n",
                     path ? path : StageCountName);
        return 0;
    }
    char line[3] = {};  // at most two bytes and the terminator
    const bool gotLine = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    char number[3] = {};
    if (!gotLine || KeepLeadingNumber(line, number) == 0) {
        std::fprintf(stderr, "grazerunner: %s holds no stage number; the game ends after stage 0\n",
                     path);
        return 0;
    }
    return ParseDecimal(number);
}

// The folder a replay's stage files were written to while it plays; empty
// otherwise.
char StageFolderOverride[PathBufferSize] = {};

}  // namespace

void SetStageFolder(const char* folder) {
    const int length = std::snprintf(StageFolderOverride, sizeof StageFolderOverride, "%s", folder ? folder : "");
    if (length < 0 || length >= PathBufferSize) StageFolderOverride[0] = 0;
}

// A working folder's own stage set (a modder's) is played; a game started
// from anywhere else plays the stages beside the program. All stage files
// come from one folder, chosen again at every open; a change is told. A
// replay being played brings its own.
const char* StageDataPath(const char* name) {
    if (StageFolderOverride[0]) {
        const int length = std::snprintf(PathBuffer, sizeof PathBuffer, "%s%s", StageFolderOverride, name);
        return length < 0 || length >= PathBufferSize ? nullptr : PathBuffer;
    }
    const int32_t source = WorkingFolderHasStageData() ? FromWorkingFolder : FromProgramFolder;
    const char* folder = source == FromWorkingFolder ? "./" : ktSystem::GetProgramFolder();
    if (!folder) return nullptr;  // the program's folder cannot be named: no stage data from there
    if (source != StageDataSource) {
        StageDataSource = source;
        if (source == FromProgramFolder)
            std::fprintf(stderr, "grazerunner: no %s in the working folder; stage data comes from %sdata/\n",
                         WorkingStageCount, folder);
        else
            std::fprintf(stderr, "grazerunner: stage data comes from ./data/ of the working folder\n");
    }
    const int length = std::snprintf(PathBuffer, sizeof PathBuffer, "%sdata/%s", folder, name);
    if (length < 0 || length >= PathBufferSize) return nullptr;  // never a path cut short
    return PathBuffer;
}

void LoadResourceSet() {
    MenuRow = 0;
    MenuStripPhase = 0;
    ktDraw::Screen(320, 240);

    MenuBackImage = ktDraw::LoadObject("./data/start.bmp");
    ShotSound = ktSound::LoadObject("./data/shot.wav", 1);
    HitSound = ktSound::LoadObject("./data/hit.wav", 1);
    BombSound = ktSound::LoadObject("./data/bomb.wav", 1);
    FlatShotSound = ktSound::LoadObject("./data/h2d.wav", 1);
    MenuLoopSound = ktSound::LoadObject("./data/loop.wav", 1);
    DepthShotSound = ktSound::LoadObject("./data/h3d.wav", 1);
    ComboEndSound = ktSound::LoadObject("./data/x.wav", 1);
    StageMusic = ktSound::LoadObject("./data/music.wav", 1);
    LaserSound = ktSound::LoadObject("./data/lazer.wav", 1);
    StageImage = ktDraw::LoadObject("./data/stage1.bmp");
    ChipsImage2 = ktDraw::LoadObject("./data/chips2.bmp");
    DigitsImage = ktDraw::LoadObject("./data/chips.bmp");
    MenuBarImage = ktDraw::LoadObject("./data/tlop.bmp");

    ktSystem::SceneId = 2;
    LastStage = ReadLastStage();
}

void ResetGame() {
    StageNo = 0;
    ComboRunning = 0;
    GameMode = 0;
    ComboTimer = 0.0f;
    Score = 0;
    Lives = 3;
    Bombs = 1;
    Combo = 0;
    for (PlayerShotEntry& shot : PlayerShot) shot.active = 0;
    for (BurstEntry& burst : Burst) burst.active = 0;
    MaxCombo = 0;
}

// Every byte counts as a digit worth (byte - 48); a leading sign is the only
// exception. Sums wrap around in 32 bits.
int32_t ParseDecimal(const char* text) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    if (length == 0) return 0;
    int32_t first = 0;
    bool negative = false;
    if (text[0] == '-') {
        first = 1;
        negative = true;
    } else if (text[0] == '+') {
        first = 1;
    }
    uint32_t sum = 0;
    for (int32_t i = first; i < length; i++) {
        const int32_t digit = static_cast<int32_t>(static_cast<unsigned char>(text[i])) - 48;
        sum += static_cast<uint32_t>(digit) * static_cast<uint32_t>(PowerOfTen(length - 1 - i));
    }
    if (negative) sum = 0u - sum;
    return static_cast<int32_t>(sum);
}

// Writes n in decimal without leading zeros (meant for 1 to 99999999; 0 is
// the single digit 0).
const char* FormatDecimal(int32_t n) {
    if (n == 0) {
        DecimalText[0] = '0';
        DecimalText[1] = 0;
        return DecimalText;
    }
    for (int32_t i = 0; i < 8; i++) {
        const int32_t place = PowerOfTen(7 - i);
        DecimalText[i] = static_cast<char>(48 + n / place);
        n = n % place;
    }
    DecimalText[8] = 0;
    while (DecimalText[0] == '0') {
        for (int i = 0; i < 8; i++) DecimalText[i] = DecimalText[i + 1];
    }
    return DecimalText;
}

int32_t PowerOfTen(int32_t n) { return IntPower(10, n); }

// base to the power n for n of 1 or more, 1 otherwise; wraps around in 32 bits.
int32_t IntPower(int32_t base, int32_t n) {
    uint32_t value = 1;
    for (int32_t i = 0; i < n; i++) value *= static_cast<uint32_t>(base);
    return static_cast<int32_t>(value);
}

int32_t Random() {
    GameRandom = GameRandom * 214013u + 2531011u;
    return static_cast<int32_t>((GameRandom >> 16) & 0x7FFFu);
}

int32_t Random(int32_t n) {
    const int32_t draw = Random();
    if (n == 0) return 0;  // no range to reduce into; the draw still counts
    return draw % n;
}

void SeedRandom(uint32_t seed) { GameRandom = seed; }

void AddScore(uint64_t points) {
    const uint64_t room = 0xFFFFFFFFull - Score;
    Score = points > room ? 0xFFFFFFFFu : static_cast<uint32_t>(Score + points);
}
