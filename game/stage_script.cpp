// Stages and their two script streams. A stage is one boss whose hit points
// come from bshp.dat; while it lasts, the stage's .da1 file names shot
// patterns (two codes and a delay per entry) and its .da2 file names boss
// movements (one code and a delay). Both streams start over at their end.
// A stream whose file cannot be opened, or that gives no byte at all, is
// closed and left null until the next stage starts: it then reads nothing.
// Every one of these files is found with StageDataPath (game_state.cpp); the
// stage picture is the engine's, beside the program like every picture.
#include <cstdio>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"

namespace {

constexpr const char* BossHpFileName = "bshp.dat";
constexpr int32_t HpPerBossByte = 500;
constexpr int32_t BombCeiling = 15;

// Win bonus for every life and every bomb left when the last boss falls.
constexpr uint32_t PointsPerBomb = 6000000;
constexpr uint32_t PointsPerLife = 3000000;
constexpr uint32_t ComboPerBomb = 600;
constexpr uint32_t ComboPerLife = 300;

// Builds "./data/stage<StageNo><suffix>" in PathBuffer: the stage picture's
// name as the engine takes it.
const char* StageFileName(const char* suffix) {
    std::snprintf(PathBuffer, sizeof PathBuffer, "./data/stage%s%s", FormatDecimal(StageNo),
                  suffix);
    return PathBuffer;
}

// The path of one of the stage's streams in PathBuffer; null when it does
// not fit. `name` gets the file's own name, for messages.
const char* StreamPath(const char* suffix, char (&name)[32]) {
    std::snprintf(name, sizeof name, "stage%s%s", FormatDecimal(StageNo), suffix);
    return StageDataPath(name);
}

void CannotOpenStream(const char* path, const char* name) {
    std::fprintf(stderr, "grazerunner: cannot open %s; that stream stays empty\n", path ? path : name);
}

// Opens one of the stage's streams; null, with a message, when it cannot.
std::FILE* OpenStream(const char* suffix) {
    char name[32];
    const char* path = StreamPath(suffix, name);
    std::FILE* file = path ? ktSystem::OpenFile(path, "rb") : nullptr;
    if (!file) CannotOpenStream(path, name);
    return file;
}

void CloseStream(std::FILE*& file) {
    if (file) std::fclose(file);
    file = nullptr;
}

// The stream's first byte, or -1. A stream that has given no byte since it
// was opened is empty: it is closed here and reads nothing more this stage.
int FirstByteOfEntry(std::FILE*& file) {
    const int c = std::fgetc(file);
    if (c == EOF && std::ftell(file) <= 0) {
        CloseStream(file);
        return EOF;
    }
    return c;
}

// At the end of its file a stream starts over from the first byte. A read
// error ends the file the same way. The file is opened again by its name, as
// it may have changed or gone meanwhile, but into the stream's own FILE and
// buffer, so nothing is allocated while a stage runs.
void ReopenAtEnd(std::FILE*& file, const char* suffix) {
    if (!std::feof(file) && !std::ferror(file)) return;
    char name[32];
    const char* path = StreamPath(suffix, name);
    if (!path || !ktSystem::ReopenFile(file, path)) {
        CloseStream(file);
        CannotOpenStream(path, name);
        return;
    }
    std::rewind(file);  // from the first byte, with the end and error marks cleared
}

// First-stream codes below 50 are depth-shot patterns, the rest flat-shot
// patterns (the end-of-file value -1 included in the first).
void DispatchPatternCode(int32_t code) {
    if (code < 50)
        FireDepthPattern(code);
    else
        FireFlatPattern(code);
}

float DelaySeconds(int delayByte) { return static_cast<float>(delayByte) / 20.0f; }

}  // namespace

void StartStage() {
    HitTimer = 0.0f;
    BossX = 120.0f;
    BossY = 50.0f;
    BossPose = 0;
    BossVX = 0;
    BossVY = 0;

    // Byte i of bshp.dat is stage i's; every byte up to this stage's is read
    // and the last one counts. A byte that is not there reads -1.
    const char* bossHpPath = StageDataPath(BossHpFileName);
    BossHpFile = bossHpPath ? ktSystem::OpenFile(bossHpPath, "rb") : nullptr;
    if (!BossHpFile)
        std::fprintf(stderr, "grazerunner: cannot open %s; the boss has no hit points\n",
                     bossHpPath ? bossHpPath : BossHpFileName);
    for (int32_t i = 0; i < StageNo + 1; i++) {
        const int byte = BossHpFile ? std::fgetc(BossHpFile) : EOF;
        BossHp = byte * HpPerBossByte;
    }
    if (BossHpFile) std::fclose(BossHpFile);
    BossHpFile = nullptr;

    ReverseCooldown = 0.0f;
    if (GameMode == 2) BossHp = BossHp / 2;
    Lives += 2;

    PlayerX = 120.0f;
    PlayerY = 200.0f;
    ShotTimer = 0.0f;
    PlayerFrame = 0;
    ReverseStock = 2;

    for (DepthShotEntry& shot : DepthShot) shot.active = 0;
    for (FlatShotEntry& shot : FlatShot) shot.active = 0;

    Script1Delay = 3.0f;
    StageTime = 0.0f;
    DepthShotCursor = 0;
    FlatShotCursor = 0;
    PlayerShotCursor = 0;

    ktDraw::SwapObject(StageFileName(".bmp"), StageImage);

    BurstCursor = 0;
    SideScroll = 0.0f;
    CenterScroll = 0.0f;

    Bombs += 2;
    if (Bombs > BombCeiling) Bombs = BombCeiling;
    BombTimer = 0.0f;

    // A stream still open from an earlier stage is let go first.
    CloseScripts();
    Script1File = OpenStream(".da1");
    Script2File = OpenStream(".da2");
    Script2Delay = 3.0f;

    ktSound::StopObject(StageMusic, -1);
    ktSound::LoopObject(StageMusic, -1);
}

// One entry at most per frame; the delay is added to what is left of the
// last one, so a long frame does not shift the later entries.
void StepScript1() {
    Script1Delay -= GameDelta;
    if (!(Script1Delay < 0.0f) || !Script1File) return;

    const int first = FirstByteOfEntry(Script1File);
    if (!Script1File) return;
    DispatchPatternCode(first);
    DispatchPatternCode(std::fgetc(Script1File));
    Script1Delay += DelaySeconds(std::fgetc(Script1File));
    ReopenAtEnd(Script1File, ".da1");
}

void StepScript2() {
    Script2Delay -= GameDelta;
    if (!(Script2Delay < 0.0f) || !Script2File) return;

    const int code = FirstByteOfEntry(Script2File);
    if (!Script2File) return;
    SteerBoss(code);
    Script2Delay += DelaySeconds(std::fgetc(Script2File));
    ReopenAtEnd(Script2File, ".da2");
}

void CheckStageClear() {
    if (BossHp >= 0) return;
    CloseScripts();

    // A stage count below zero (a damaged stageno.txt) makes the first
    // stage the last, so the game can still be won.
    if (StageNo < LastStage) {
        StageNo += 1;
        StartStage();
        return;
    }

    // The last boss is beaten: the stock left over is paid out, and the game
    // goes to the results.
    const uint64_t bonus = static_cast<uint64_t>(static_cast<uint32_t>(Bombs)) * PointsPerBomb +
                           static_cast<uint64_t>(static_cast<uint32_t>(Lives)) * PointsPerLife;
    AddScore(bonus);
    MaxCombo = static_cast<int32_t>(static_cast<uint32_t>(MaxCombo) +
                                    static_cast<uint32_t>(Lives) * ComboPerLife +
                                    static_cast<uint32_t>(Bombs) * ComboPerBomb);
    ktSound::StopObject(StageMusic, -1);
    ktSound::LoopObject(MenuLoopSound, -1);
    ktSystem::SceneId = 4;
}

void CloseScripts() {
    CloseStream(Script1File);
    CloseStream(Script2File);
}
