// fuzz_stage: the input as the stage files of a game, which is then played.
//
// The input is cut up like this:
//   byte 0        settings: bits 0-1 the mode row (3 counts as 1), bits 2-3
//                 the character row (3 counts as 1), bits 4-7 × 9 the
//                 milliseconds of each frame (0 to 135)
//   byte 1        the calendar time at start-up, which seeds GameRandom
//   six files     each a length byte L and then L bytes (cut short when the
//                 input ends); L = 255 leaves the file out altogether:
//                 bshp.dat, stageno.txt, stage0.da1, stage0.da2,
//                 stage1.da1, stage1.da2
//   the rest      keys: each byte holds the keys of the next four frames,
//                 bit 0 Left, 1 Up, 2 Right, 3 Down, 4 Z, 5 X, 6 C, 7 Num5;
//                 when the bytes run out, no key is held
//
// They are written into a scratch data folder beside copies of the real
// pictures and sounds; no stage above 1 has script files there. The game is
// then started headless as the simulator starts it (the game's own start-up
// with LoadResourceSet, which reads stageno.txt, then its message loop and
// frames), taken through the title, the mode select and the character
// select, and played for 600 frames. After each frame a few things that
// always hold are checked; a break aborts. (scripts/fuzz.sh names the folder
// for findings; a run by hand passes -artifact_prefix=DIR/ for the same.)
//
// The scripted machine has no sound card here: turning the real music into
// the device's format at every start-up would take most of a second, and
// with sound off the game still makes every sound call (which then does
// nothing). Sound loading and mixing are fuzz_wave's part.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "game.h"
#include "global_table.h"
#include "headless.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace {

using namespace ktPlatform;

constexpr int PlayFrames = 600;
constexpr int FramesPerKeyByte = 4;
constexpr const char* StageFiles[] = {"bshp.dat",   "stageno.txt", "stage0.da1",
                                      "stage0.da2", "stage1.da1",  "stage1.da2"};
// The keys of an input's key bits; Enter (bit 8) only for the menus.
constexpr int KeyOfBit[9] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C, VK_NUMPAD5, VK_RETURN};
constexpr int EnterBit = 1 << 8, DownBit = 1 << 3, UpBit = 1 << 1, ZBit = 1 << 4;

std::string Folder;  // the scratch program and working folder
uint32_t StepMs = 16;

// The lowest free file descriptor: the same before and after an input when
// the game left no file open.
int LowestFreeDescriptor() {
    const int fd = open("/dev/null", O_RDONLY);
    if (fd < 0) std::abort();
    close(fd);
    return fd;
}

// Takes the next `count` bytes of the input, as far as there are any.
struct Input {
    const uint8_t* bytes;
    size_t size;
    size_t at = 0;
    int Byte() { return at < size ? bytes[at++] : 0; }
    size_t Take(size_t count) {
        const size_t start = at;
        at = count < size - at ? at + count : size;
        return start;
    }
};

void WriteStageFiles(Input& in) {
    for (const char* name : StageFiles) {
        const std::string path = Folder + "/data/" + name;
        const int length = in.Byte();
        if (length == 255) {
            std::filesystem::remove(path);
            continue;
        }
        const size_t start = in.Take(size_t(length));
        fuzzsupport::WriteBytes(path, in.bytes + start, in.at - start);
    }
}

// Holds exactly the keys of `mask` (bits as in KeyOfBit), pressing and
// releasing as the simulator's hold and release do.
void HoldKeys(int mask) {
    for (int bit = 0; bit < 9; bit++) {
        const int vk = KeyOfBit[bit];
        const bool down = (mask >> bit) & 1;
        if (down != (ktScript::State.keys[vk] != 0)) down ? ktScript::PressKey(vk) : ktScript::ReleaseKey(vk);
    }
}

bool Finite(float v) { return std::isfinite(v); }

// What always holds, in any scene, whatever the stage files say.
void CheckState() {
    const int32_t scene = ktSystem::SceneId;
    if (scene < 1 || scene > 5) std::abort();
    if (Bombs < 0 || Bombs > 15) std::abort();
    if (!Finite(PlayerX) || !Finite(PlayerY) || !Finite(BossX) || !Finite(BossY)) std::abort();
    if (!Finite(StageTime) || !Finite(Script1Delay) || !Finite(Script2Delay)) std::abort();
    for (const DepthShotEntry& s : DepthShot)
        if (s.active && (!Finite(s.x) || !Finite(s.y) || !Finite(s.z))) std::abort();
    for (const FlatShotEntry& s : FlatShot)
        if (s.active && (!Finite(s.x) || !Finite(s.y))) std::abort();
    for (const PlayerShotEntry& s : PlayerShot)
        if (s.active && (!Finite(s.x) || !Finite(s.y))) std::abort();
}

// Turns of the game's loop with `mask` held, as the simulator takes them:
// queued messages, the clock, a frame when the game is active.
void Turns(int mask, int count) {
    HoldKeys(mask);
    for (int i = 0; i < count; i++) {
        int code = 0;
        if (!ktSystem::DispatchMessages(&code)) std::abort();  // no key here quits
        ktScript::State.tick += StepMs;
        if (ktSystem::AppActive) ktSystem::RunFrame();
        CheckState();
    }
}

// Title, mode select (rows 0 KIDS, 1 STANDARD, 2 MASTER) and character
// select, each from its middle row; the last Z starts the stage.
void EnterPlay(int modeRow, int characterRow) {
    Turns(EnterBit, 2);
    for (const int row : {modeRow, characterRow}) {
        if (ktSystem::SceneId == 3) Turns(0, 1);  // the mode's Z let go
        for (int at = 1; at != row; at += row > at ? 1 : -1) Turns(row > at ? DownBit : UpBit, 1), Turns(0, 1);
        Turns(ZBit, 1);
    }
    if (ktSystem::SceneId != 1 || GameMode != 2 - modeRow || Character != characterRow) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Folder = fuzzsupport::ScratchFolder("fuzz-stage");
    // The pictures and sounds only: every stage file comes from the input.
    for (const auto& entry : std::filesystem::directory_iterator(GRAZE_DATA_DIR)) {
        const std::string kind = entry.path().extension().string();
        if (entry.is_regular_file() && (kind == ".bmp" || kind == ".wav"))
            std::filesystem::copy_file(entry.path(), Folder + "/data/" + entry.path().filename().string(),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Input in{bytes, size};
    const int settings = in.Byte();
    const int seed = in.Byte();
    WriteStageFiles(in);
    const int modeRow = (settings & 3) == 3 ? 1 : settings & 3;
    const int characterRow = ((settings >> 2) & 3) == 3 ? 1 : (settings >> 2) & 3;
    StepMs = uint32_t(settings >> 4) * 9;
    const int freeDescriptor = LowestFreeDescriptor();
    {
        // The simulator's start-up in the scratch folder (stage files from
        // the working folder, pictures and sounds from the program folder:
        // both that folder), on a machine without a sound card. Its end lets
        // go of the display and sound and drops every game value (and any
        // open stream), so that this input frees all it took.
        sim::Headless game(Folder);
        if (!game.ok()) std::abort();
        ktScript::State.audioFails = 1;
        ktScript::State.calendarTime = seed;
        if (!ktSystem::StartUp(GameEntryPoints) || ktSystem::SceneId != 2) std::abort();
        EnterPlay(modeRow, characterRow);
        for (int frame = 0; frame < PlayFrames; frame += FramesPerKeyByte) Turns(in.Byte(), FramesPerKeyByte);
    }
    if (LowestFreeDescriptor() != freeDescriptor) std::abort();  // a file left open
    return 0;
}
