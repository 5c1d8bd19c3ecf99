// Replays (see replay.h): recording a game into fixed buffers while it
// plays, saving it at its results, and playing it again from a file.
#include "replay.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <memory>

#include "game.h"
#include "global_table.h"
#include "ktDraw.h"
#include "ktSound.h"

#ifndef GRAZE_VERSION
#define GRAZE_VERSION "unknown"
#endif

namespace {

constexpr const char* GameName = "Graze Runner: Zero Gravity";
constexpr const char* Difficulties[3] = {"MASTER", "STANDARD", "KIDS"};  // by GameMode
constexpr const char* Ships[3] = {"ASTER", "BRIONY", "CALLA"};          // by Character

const char* DifficultyName(int32_t mode) { return mode >= 0 && mode < 3 ? Difficulties[mode] : "MASTER"; }
const char* ShipName(int32_t character) { return character >= 0 && character < 3 ? Ships[character] : "ASTER"; }

// ---- The recording: fixed buffers, filled while the game plays -------------------

// Room for hours of play: a minute of frames takes about a kilobyte.
constexpr size_t MaxInputBytes = 4u * 1024 * 1024;
constexpr int MaxCheckpoints = 64 * 1024;
constexpr int MaxStageFiles = 2 + 2 * 100;

struct StageFileSpan {
    char name[16];
    size_t offset, length;
};

struct Recorder {
    int active;
    int skipFrame;  // the frame that started the recording is none of its frames
    int64_t startedAt;
    ReplayStart start;
    uint8_t stageBytes[MaxStageBytes];
    size_t stageUsed;
    StageFileSpan stageFiles[MaxStageFiles];
    int stageFileCount;
    uint8_t input[MaxInputBytes];
    uint32_t frames;
    uint64_t milliseconds;
    uint32_t sinceCheckpoint;
    int lastFrameCheckpointed;
    uint32_t checkpoints[MaxCheckpoints];
    int checkpointCount;
    int overflowed;
};
Recorder Rec;
ktSystem::InputWriter Writer(Rec.input, MaxInputBytes);
char SavedPath[PathBufferSize];

void AddCheckpoint() {
    if (Rec.checkpointCount == MaxCheckpoints) {
        Rec.overflowed = 1;
        return;
    }
    Rec.checkpoints[Rec.checkpointCount++] = PlayStateHash();
}

// Reads one stage file into the recording; a file that is not there is
// left out (the game plays on without it, and so does the replay).
void EmbedStageFile(const char* name) {
    if (Rec.stageFileCount == MaxStageFiles) return;
    const char* path = StageDataPath(name);
    std::FILE* file = path ? ktSystem::OpenFile(path, "rb") : nullptr;
    if (!file) return;
    StageFileSpan& span = Rec.stageFiles[Rec.stageFileCount];
    std::snprintf(span.name, sizeof span.name, "%s", name);
    span.offset = Rec.stageUsed;
    span.length = std::fread(Rec.stageBytes + Rec.stageUsed, 1, MaxStageBytes - Rec.stageUsed, file);
    if (std::fgetc(file) != EOF) Rec.overflowed = 1;  // more stage data than a replay holds
    std::fclose(file);
    Rec.stageUsed += span.length;
    Rec.stageFileCount++;
}

void RecordFrame(const ktSystem::FrameInput& input) {
    if (Rec.skipFrame) {
        Rec.skipFrame = 0;
        return;
    }
    Writer.Write(input);
    Rec.frames++;
    const uint32_t time = input.ticks + input.ticksAfter;
    Rec.milliseconds += time;
    Rec.sinceCheckpoint += time;
    Rec.lastFrameCheckpointed = Rec.sinceCheckpoint >= CheckpointMilliseconds;
    if (Rec.lastFrameCheckpointed) {
        Rec.sinceCheckpoint = 0;
        AddCheckpoint();
    }
    if (Writer.Full()) Rec.overflowed = 1;
    if (ktSystem::SceneId == 4) FinishRecording(1);
}

// ---- Writing the file ---------------------------------------------------------------

void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }

// Writes chunks to a file, each with its CRC; ok() once every write went.
class ChunkFile {
public:
    explicit ChunkFile(std::FILE* file) : file_(file) {}
    void Raw(const void* bytes, size_t size) {
        if (size && std::fwrite(bytes, 1, size, file_) != size) ok_ = false;
    }
    void Begin(const char* id, size_t length) {
        uint8_t head[8];
        std::memcpy(head, id, 4);
        Put32(head + 4, uint32_t(length));
        Raw(head, 8);
        crc_ = Crc32(head, 4);
    }
    void Part(const void* bytes, size_t size) {
        Raw(bytes, size);
        crc_ = Crc32(static_cast<const uint8_t*>(bytes), size, crc_);
    }
    void Part32(uint32_t v) {
        uint8_t b[4];
        Put32(b, v);
        Part(b, 4);
    }
    void End() {
        uint8_t b[4];
        Put32(b, crc_);
        Raw(b, 4);
    }
    bool ok() const { return ok_; }

private:
    std::FILE* file_;
    uint32_t crc_ = 0;
    bool ok_ = true;
};

bool writeFailed = false;

void WriteReplay(std::FILE* file, const std::string& info, size_t inputLength) {
    ChunkFile out(file);
    uint8_t head[12] = {'G', 'R', 'R', 'e', 'p', 'l', 'a', 'y'};
    Put16(head + 8, ReplayFormat);
    out.Raw(head, 12);

    out.Begin("INFO", info.size());
    out.Part(info.data(), info.size());
    out.End();

    uint8_t start[46];
    const ReplayStart& s = Rec.start;
    Put32(start, s.random);
    const int32_t values[5] = {s.mode, s.character, s.lastStage, s.stickX, s.stickY};
    for (int i = 0; i < 5; i++) Put32(start + 4 + 4 * i, uint32_t(values[i]));
    for (int p = 0; p < 2; p++) {
        start[24 + 5 * p] = uint8_t(s.padCentred[p]);
        Put16(start + 25 + 5 * p, uint32_t(s.padCentreX[p]));
        Put16(start + 27 + 5 * p, uint32_t(s.padCentreY[p]));
    }
    uint32_t bits;
    std::memcpy(&bits, &s.frameSeconds, 4);
    Put32(start + 34, bits);
    std::memcpy(&bits, &s.gameDelta, 4);
    Put32(start + 38, bits);
    Put32(start + 42, uint32_t(s.playerSpeed));
    out.Begin("STRT", sizeof start);
    out.Part(start, sizeof start);
    out.End();

    const ktSystem::GameEntry* game = ktSystem::Game;
    const int keyCount = game ? game->KeyCount : 0;
    out.Begin("KEYS", 1 + size_t(keyCount));
    const uint8_t count = uint8_t(keyCount);
    out.Part(&count, 1);
    for (int i = 0; i < keyCount; i++) {
        const uint8_t vk = uint8_t(game->Keys[i]);
        out.Part(&vk, 1);
    }
    out.End();

    size_t stageLength = 2;
    for (int i = 0; i < Rec.stageFileCount; i++) stageLength += 1 + std::strlen(Rec.stageFiles[i].name) + 4 + Rec.stageFiles[i].length;
    out.Begin("STGE", stageLength);
    uint8_t two[2];
    Put16(two, uint32_t(Rec.stageFileCount));
    out.Part(two, 2);
    for (int i = 0; i < Rec.stageFileCount; i++) {
        const StageFileSpan& f = Rec.stageFiles[i];
        const uint8_t nameLength = uint8_t(std::strlen(f.name));
        out.Part(&nameLength, 1);
        out.Part(f.name, nameLength);
        out.Part32(uint32_t(f.length));
        out.Part(Rec.stageBytes + f.offset, f.length);
    }
    out.End();

    out.Begin("INPT", 4 + inputLength);
    out.Part32(Rec.frames);
    out.Part(Rec.input, inputLength);
    out.End();

    out.Begin("CHCK", 8 + 4 * size_t(Rec.checkpointCount));
    out.Part32(CheckpointMilliseconds);
    out.Part32(uint32_t(Rec.checkpointCount));
    for (int i = 0; i < Rec.checkpointCount; i++) out.Part32(Rec.checkpoints[i]);
    out.End();

    out.Begin("END ", 0);
    out.End();
    writeFailed = !out.ok();
}

// Saves the finished recording as replays/<date>_<time>_<DIFFICULTY>_<SHIP>_<points>.grr
// beside the score log; one message on standard error when it cannot.
void SaveRecording(int finished) {
    SavedPath[0] = 0;
    const size_t inputLength = Writer.Done();
    if (Rec.overflowed || inputLength == 0) {
        std::fprintf(stderr, "grazerunner: this game is too long to keep as a replay; it is not saved\n");
        return;
    }
    const std::time_t when = std::time_t(Rec.startedAt);
    std::tm local = {};
    if (const std::tm* t = std::localtime(&when)) local = *t;
    char stamp[32], date[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S", &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    char name[160];
    std::snprintf(name, sizeof name, "replays/%s_%s_%s_%u%s.grr", stamp, DifficultyName(Rec.start.mode),
                  ShipName(Rec.start.character), static_cast<unsigned>(Score), finished ? "" : "_unfinished");

    char line[128];
    FormatScoreLine(line, sizeof line);
    line[std::strcspn(line, "\n")] = 0;
    std::string info;
    info += std::string("game=") + GameName + "\n";
    info += std::string("version=") + GRAZE_VERSION + "\n";
    info += std::string("platform=") + (ktSystem::PlatformName() ? ktSystem::PlatformName() : "unknown") + "\n";
    info += std::string("recorded=") + date + "\n";
    info += std::string("difficulty=") + DifficultyName(Rec.start.mode) + "\n";
    info += std::string("ship=") + ShipName(Rec.start.character) + "\n";
    info += std::string("finished=") + (finished ? "1" : "0") + "\n";
    info += std::string("result=") + line + "\n";
    info += "frames=" + std::to_string(Rec.frames) + "\n";
    info += "milliseconds=" + std::to_string(Rec.milliseconds) + "\n";

    static char where[PathBufferSize];
    bool inPlayersFolder = false;
    std::FILE* file = OpenPlayerFile(name, "wb", true, where, &inPlayersFolder);
    if (!file) {
        std::fprintf(stderr, "grazerunner: cannot write the replay %s in the working folder%s%s; it is not saved\n",
                     name, where[0] ? " nor as " : "", where);
        return;
    }
    WriteReplay(file, info, inputLength);
    const bool failed = writeFailed || std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) {
        std::fprintf(stderr, "grazerunner: could not finish writing the replay %s\n", where);
        return;
    }
    std::snprintf(SavedPath, sizeof SavedPath, "%s", where);
    if (inPlayersFolder) std::fprintf(stderr, "grazerunner: the replay went to %s\n", where);
}

}  // namespace

// ---- Recording ----------------------------------------------------------------------

void StartRecording() {
    Rec.active = 1;
    Rec.skipFrame = 1;
    Rec.overflowed = 0;
    Rec.startedAt = ktSystem::CalendarSeconds();
    Rec.start = ReplayStart{GameRandom, GameMode, Character, LastStage, StickX, StickY, {}, {}, {},
                            ktSystem::FrameSeconds, GameDelta, PlayerSpeed};
    for (int p = 0; p < 2; p++) {
        Rec.start.padCentred[p] = ktSystem::PadCentred[p];
        Rec.start.padCentreX[p] = ktSystem::PadCentreX[p];
        Rec.start.padCentreY[p] = ktSystem::PadCentreY[p];
    }
    Rec.stageUsed = 0;
    Rec.stageFileCount = 0;
    EmbedStageFile("stageno.txt");
    EmbedStageFile("bshp.dat");
    char name[16];
    for (int32_t stage = 0; stage <= LastStage && stage < 100; stage++)
        for (const char* suffix : {".da1", ".da2"}) {
            std::snprintf(name, sizeof name, "stage%d%s", int(stage), suffix);
            EmbedStageFile(name);
        }
    Writer = ktSystem::InputWriter(Rec.input, MaxInputBytes);
    Rec.frames = 0;
    Rec.milliseconds = 0;
    Rec.sinceCheckpoint = 0;
    Rec.lastFrameCheckpointed = 0;
    Rec.checkpointCount = 0;
    AddCheckpoint();
    ktSystem::RecordFrames(RecordFrame);
}

void FinishRecording(int finished) {
    if (!Rec.active) return;
    Rec.active = 0;
    ktSystem::RecordFrames(nullptr);
    if (Rec.frames > 0 && !Rec.lastFrameCheckpointed) AddCheckpoint();
    SaveRecording(finished);
}

int Recording() { return Rec.active; }
const char* LastReplayPath() { return SavedPath; }

// ---- Playing again -------------------------------------------------------------------

namespace {

constexpr int Lookahead = 64;
// After its last frame a watched replay stays this long, then the program ends.
constexpr uint32_t WatchEndMilliseconds = 3000;
// The longest stretch of time one turn of the loop catches up on.
constexpr uint32_t LongestCatchUp = 250;

// The signs over a watched replay, in the sprite sheet (ChipsImage2).
constexpr int32_t ReplaySignX = 0, ReplaySignY = 250, SignWidth = 80, SignHeight = 20;
constexpr int32_t PausedSignX = 0, PausedSignY = 270;
constexpr int32_t SpeedSignX = 80, SpeedSignY = 250, SpeedSignSide = 20;  // 2x, 4x, 8x one below the other

struct Player {
    const Replay* replay;
    std::unique_ptr<ktSystem::InputReader> reader;
    uint32_t decoded;  // frames taken from the log
    PlaybackState state;
    size_t nextCheckpoint;
    uint32_t sinceCheckpoint;
    // Watching.
    ktSystem::FrameInput ahead[Lookahead];
    int aheadStart, aheadCount;
    int watching, speed, paused;
    uint32_t lastTick, endedAt;
    uint64_t wallMilliseconds, playedMilliseconds;
};
Player Play;
Replay Watched;  // the replay being watched
int WatchStatus = 0;
std::string PendingWatch;

uint32_t FrameTime(const ktSystem::FrameInput& f) { return f.ticks + f.ticksAfter; }

// The next frame of the log, or 0 at its end (or where it is damaged).
int Decode(ktSystem::FrameInput* frame) {
    if (Play.decoded >= Play.replay->frames || !Play.reader->Read(frame)) return 0;
    Play.decoded++;
    return 1;
}

void Compare(uint32_t frame) {
    const size_t i = Play.nextCheckpoint++;
    const uint32_t played = PlayStateHash();
    const uint32_t recorded = i < Play.replay->checkpoints.size() ? Play.replay->checkpoints[i] : ~played;
    if (recorded != played && Play.state.firstMismatch < 0) {
        Play.state.firstMismatch = int(i);
        Play.state.mismatchFrame = frame;
        Play.state.mismatchRecorded = recorded;
        Play.state.mismatchPlayed = played;
    }
}

int NextFrame(ktSystem::FrameInput* out) {
    if (Play.aheadCount > 0) {
        *out = Play.ahead[Play.aheadStart];
        Play.aheadStart = (Play.aheadStart + 1) % Lookahead;
        Play.aheadCount--;
    } else if (!Decode(out)) {
        Play.state.ended = 1;
        return 0;
    }
    Play.playedMilliseconds += FrameTime(*out);
    return 1;
}

// After every frame played: the checkpoints, as the recording took them.
void CheckFrame(const ktSystem::FrameInput& input) {
    const uint32_t frame = ++Play.state.framesPlayed;
    Play.sinceCheckpoint += FrameTime(input);
    const bool periodic = Play.sinceCheckpoint >= Play.replay->interval;
    if (periodic) {
        Play.sinceCheckpoint = 0;
        Compare(frame);
    }
    if (frame == Play.replay->frames) {
        if (!periodic) Compare(frame);
        Play.state.ended = 1;
    }
}

// Watching: the frames whose recorded time has come, at the chosen speed.
int DueFrames() {
    const uint32_t now = ktSystem::TickNow();
    uint32_t elapsed = now - Play.lastTick;
    Play.lastTick = now;
    if (elapsed > LongestCatchUp) elapsed = LongestCatchUp;
    if (Play.state.ended) {
        if (!Play.endedAt) {
            Play.endedAt = now ? now : 1;
            // A game that reached its results shows them, as it did.
            if (ktSystem::SceneId == 4) DrawResultsScreen();
        }
        if (now - Play.endedAt >= WatchEndMilliseconds && ktSystem::ShutdownState == 0) ktSystem::Shutdown();
        return 0;
    }
    if (Play.paused) return 0;
    Play.wallMilliseconds += uint64_t(elapsed) * uint64_t(Play.speed);
    int due = 0;
    uint64_t time = Play.playedMilliseconds;
    for (; due < Lookahead; due++) {
        if (due == Play.aheadCount) {
            ktSystem::FrameInput f;
            if (!Decode(&f)) break;
            Play.ahead[(Play.aheadStart + Play.aheadCount) % Lookahead] = f;
            Play.aheadCount++;
        }
        time += FrameTime(Play.ahead[(Play.aheadStart + due) % Lookahead]);
        if (time > Play.wallMilliseconds) break;
    }
    if (due == 0 && Play.wallMilliseconds > Play.playedMilliseconds + LongestCatchUp)
        Play.wallMilliseconds = Play.playedMilliseconds;  // a long frame is not caught up at once
    return due;
}

const ktSystem::FramePlayer ReplayPlayer = {DueFrames, NextFrame};

// The sign over a watched replay: REPLAY, its speed, PAUSED.
void DrawReplaySign() {
    ktDraw::DrawObject(42, 2, ChipsImage2, ReplaySignX, ReplaySignY, ReplaySignX + SignWidth, ReplaySignY + SignHeight);
    const int speedSign = Play.speed == 2 ? 0 : Play.speed == 4 ? 1 : Play.speed == 8 ? 2 : -1;
    if (speedSign >= 0) {
        const int32_t top = SpeedSignY + SpeedSignSide * speedSign;
        ktDraw::DrawObject(124, 2, ChipsImage2, SpeedSignX, top, SpeedSignX + SpeedSignSide, top + SpeedSignSide);
    }
    if (Play.paused)
        ktDraw::DrawObject(120, 110, ChipsImage2, PausedSignX, PausedSignY, PausedSignX + SignWidth, PausedSignY + SignHeight);
}

bool WriteStageFiles(const Replay& replay, const std::string& folder, std::string* why) {
    const std::string data = folder + "/data";
    if (!ktSystem::MakeFolder(folder.c_str()) || !ktSystem::MakeFolder(data.c_str())) {
        *why = "the folder " + data + " for its stage files cannot be made";
        return false;
    }
    for (const ReplayStageFile& stage : replay.stages) {
        const std::string path = data + "/" + stage.name;
        std::FILE* file = ktSystem::OpenFile(path.c_str(), "wb");
        const bool written = file && (stage.bytes.empty() || std::fwrite(stage.bytes.data(), 1, stage.bytes.size(), file) ==
                                                                 stage.bytes.size());
        if (!file || std::fclose(file) != 0 || !written) {
            *why = "its stage file " + path + " cannot be written";
            return false;
        }
    }
    // A stage file the recording had not is no file here either.
    for (int32_t stage = 0; stage < 100; stage++)
        for (const char* suffix : {".da1", ".da2"}) {
            const std::string name = "stage" + std::to_string(stage) + suffix;
            bool held = false;
            for (const ReplayStageFile& s : replay.stages) held = held || s.name == name;
            if (!held) std::remove((data + "/" + name).c_str());
        }
    return true;
}

}  // namespace

int StartPlayback(const Replay& replay, const std::string& folder, std::string* why) {
    const ktSystem::GameEntry* game = ktSystem::Game;
    const int keyCount = game ? game->KeyCount : 0;
    bool sameKeys = int(replay.keys.size()) == keyCount;
    for (int i = 0; sameKeys && i < keyCount; i++) sameKeys = replay.keys[size_t(i)] == game->Keys[i];
    if (!sameKeys) {
        *why = "it was recorded with other keys (version " + replay.version + ")";
        return 0;
    }
    if (!WriteStageFiles(replay, folder, why)) return 0;
    SetStageFolder((folder + "/data/").c_str());

    const ReplayStart& s = replay.start;
    ResetGame();
    GameMode = s.mode;
    Character = s.character;
    LastStage = s.lastStage;
    StickX = s.stickX;
    StickY = s.stickY;
    GameRandom = s.random;
    for (int p = 0; p < 2; p++) {
        ktSystem::PadCentred[p] = s.padCentred[p];
        ktSystem::PadCentreX[p] = s.padCentreX[p];
        ktSystem::PadCentreY[p] = s.padCentreY[p];
    }
    ktSystem::FrameSeconds = s.frameSeconds;
    GameDelta = s.gameDelta;
    PlayerSpeed = s.playerSpeed;
    StartStage();
    ktSystem::SceneId = 1;

    Play.replay = &replay;
    Play.reader = std::make_unique<ktSystem::InputReader>(replay.input.data(), replay.input.size());
    Play.decoded = 0;
    Play.state = PlaybackState{0, -1, 0, 0, 0, replay.frames == 0};
    Play.nextCheckpoint = 0;
    Play.sinceCheckpoint = 0;
    Play.aheadStart = Play.aheadCount = 0;
    Play.watching = 0;
    Play.speed = 1;
    Play.paused = 0;
    Play.lastTick = ktSystem::TickNow();
    Play.endedAt = 0;
    Play.wallMilliseconds = Play.playedMilliseconds = 0;
    Compare(0);
    ktSystem::RecordFrames(CheckFrame);
    ktSystem::PlayFrames(&ReplayPlayer);
    return 1;
}

void StopPlayback() {
    Play.watching = 0;
    ktSystem::PlayFrames(nullptr);
    ktSystem::RecordFrames(nullptr);
    SetStageFolder(nullptr);
    ktDraw::DrawOverlay = nullptr;
    Play.reader.reset();
}

const PlaybackState& Playback() { return Play.state; }

std::string VerifyReplay(const Replay& replay, const std::string& folder, bool* ok) {
    *ok = false;
    std::string why;
    if (!StartPlayback(replay, folder, &why)) return "cannot be played: " + why;
    while (!Play.state.ended) {
        const uint32_t before = Play.state.framesPlayed;
        ktSystem::RunFrame();
        if (Play.state.framesPlayed == before) break;  // no frame left to run
    }
    const PlaybackState state = Play.state;
    StopPlayback();
    char line[128];
    FormatScoreLine(line, sizeof line);
    line[std::strcspn(line, "\n")] = 0;
    const std::string by = replay.version == GRAZE_VERSION ? "" : " (recorded by version " + replay.version + ")";
    if (state.framesPlayed < replay.frames)
        return "damaged: its input ends after frame " + std::to_string(state.framesPlayed) + " of " +
               std::to_string(replay.frames);
    if (state.firstMismatch >= 0) {
        char text[160];
        std::snprintf(text, sizeof text, "drifts at frame %u (checkpoint %d: recorded %08x, played %08x)",
                      state.mismatchFrame, state.firstMismatch, state.mismatchRecorded, state.mismatchPlayed);
        return text + by;
    }
    if (line != replay.result) return "ends with another result: " + std::string(line) + by;
    *ok = true;
    return line;
}

// ---- Watching in the window ---------------------------------------------------------

void SetReplayToWatch(const char* path) { PendingWatch = path ? path : ""; }
int ReplayExitStatus() { return WatchStatus; }
int WatchingReplay() { return Play.watching; }

void WatchReplay() {
    if (PendingWatch.empty()) return;
    std::string why;
    const std::string shown = PendingWatch;
    PendingWatch.clear();
    std::error_code error;
    const std::u8string path = (std::filesystem::temp_directory_path(error) / "grazerunner-replay").u8string();
    const std::string folder(path.begin(), path.end());
    if (!ReadReplayFile(shown.c_str(), &Watched, &why) || !StartPlayback(Watched, folder, &why)) {
        const std::string text = shown + " cannot be played: " + why;
        ktSystem::ShowError("Replay", text.c_str());
        WatchStatus = 1;
        ktSystem::Shutdown();
        return;
    }
    Play.watching = 1;
    ktDraw::DrawOverlay = DrawReplaySign;
}

void ReplayKeyPressed(int vk) {
    if (!Play.watching) return;
    if (vk == ' ') {
        Play.paused = !Play.paused;
        if (Play.paused)
            ktSound::Hold(ktSound::HeldPaused);
        else
            ktSound::Release(ktSound::HeldPaused);
    } else if (vk == 'F') {
        Play.speed = Play.speed >= 8 ? 1 : Play.speed * 2;
    }
}
