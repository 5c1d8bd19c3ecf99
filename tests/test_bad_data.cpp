// Damaged data: every file of the generated data folder, one at a time,
// missing, cut to half, cut to nothing, with its first bytes flipped, with
// its second half flipped, or overwritten with garbage (and a sound with its
// format record flipped). The game starts as it always does, shows the
// engine's box where the engine has one (a picture or a sound it cannot read
// or play; nothing for the stage files) and plays on: the title, the menus,
// a stage for a few hundred frames, the rest of the stages, the results and
// the game's line in the score log. Then the stage count out of range, the
// score log itself: a log that cannot be written, and earlier lines that are
// never lost; and the folders: a game started away from its program folder,
// a working folder that takes no log, and a working folder's own stages.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <stdlib.h>

#include "game_fixture.h"

namespace {

using namespace ktPlatform;
namespace fs = std::filesystem;

constexpr const char* PictureLoadBox = "ktDraw::LoadObject : BMPファイルを読み込めません";
constexpr const char* PictureSwapBox = "ktDraw::SwapObject : BMPファイルを読み込めません";
constexpr const char* SoundBox = "ktSound::LoadObject : WAVEリソースが見つかりません";
constexpr const char* SoundBufferBox = "ktSound::LoadObject : サウンドバッファが生成できません";

// ---- The data folder and its damage -----------------------------------------

// Every file of the generated data folder, by name.
std::vector<std::string> DataFileNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(GRAZE_DATA_DIR, error))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsPicture(const std::string& name) { return EndsWith(name, ".bmp"); }
bool IsSound(const std::string& name) { return EndsWith(name, ".wav"); }

// The stage a file belongs to (stageN.bmp, stageN.da1, stageN.da2), or -1.
int StageOf(const std::string& name) {
    std::smatch match;
    static const std::regex stageFile("stage([0-9]+)\\.(bmp|da1|da2)");
    if (!std::regex_match(name, match, stageFile)) return -1;
    return std::stoi(match[1].str());
}

// FormatFlipped is for sounds only: the format record (but for its format
// tag) inside a whole chunk layout, so the file reads but cannot be played.
enum class Damage { Missing, Half, Empty, HeadFlipped, TailFlipped, Garbage, FormatFlipped };

constexpr Damage AllDamage[] = {Damage::Missing,     Damage::Half,        Damage::Empty,
                                Damage::HeadFlipped, Damage::TailFlipped, Damage::Garbage};

const char* DamageName(Damage damage) {
    switch (damage) {
    case Damage::Missing: return "Missing";
    case Damage::Half: return "Half";
    case Damage::Empty: return "Empty";
    case Damage::HeadFlipped: return "HeadFlipped";
    case Damage::TailFlipped: return "TailFlipped";
    case Damage::Garbage: return "Garbage";
    case Damage::FormatFlipped: return "FormatFlipped";
    }
    return "?";
}

// The bytes of a file after the damage (Missing: no file at all).
std::vector<uint8_t> Damaged(std::vector<uint8_t> bytes, Damage damage) {
    switch (damage) {
    case Damage::Missing:
    case Damage::Empty: bytes.clear(); break;
    case Damage::Half: bytes.resize(bytes.size() / 2); break;
    case Damage::HeadFlipped:
        // Every bit of the first 16 bytes: a picture's or a sound's header.
        for (size_t i = 0; i < bytes.size() && i < 16; i++) bytes[i] ^= 0xFF;
        break;
    case Damage::TailFlipped:
        // Every bit of the second half: pixels or samples, the header whole.
        for (size_t i = bytes.size() / 2; i < bytes.size(); i++) bytes[i] ^= 0xFF;
        break;
    case Damage::Garbage: {
        // Bytes with the high bit set: never a digit, a sign or a file tag.
        uint32_t state = 20240607u;
        for (uint8_t& byte : bytes) {
            state = state * 1103515245u + 12345u;
            byte = uint8_t(0x80u | (state >> 16));
        }
        break;
    }
    case Damage::FormatFlipped: {
        // The record behind the "fmt " chunk's tag and length, all but its
        // format tag (PCM stays PCM): channels, rates, block size and bits.
        const std::string tag = "fmt ";
        const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
        const size_t record = size_t(at - bytes.begin()) + 8;
        for (size_t i = record + 2; i < record + 16 && i < bytes.size(); i++) bytes[i] ^= 0xFF;
        break;
    }
    }
    return bytes;
}

// Whether the engine still reads a damaged picture or sound: only when its
// header is whole and its length right.
bool StillReadable(Damage damage) {
    return damage == Damage::TailFlipped || damage == Damage::FormatFlipped;
}

// The pictures that the resource set loads at start-up.
bool LoadedAtStartUp(const std::string& name) {
    for (const char* picture : {"start.bmp", "stage1.bmp", "chips2.bmp", "chips.bmp", "tlop.bmp"})
        if (name == picture) return true;
    return false;
}

// How often one game (every stage played) swaps a picture in: the mode and
// character select pictures when their scenes begin, the title picture on
// the way back from the results, each stage's picture when its stage starts.
int SwapsInAGame(const std::string& name) {
    if (name == "selemode.bmp" || name == "opening.bmp" || name == "start.bmp") return 1;
    if (IsPicture(name) && StageOf(name) >= 0) return 1;
    return 0;
}

// The boxes of one whole game with that file damaged, in order: the loads of
// start-up first, then the swaps.
std::vector<std::string> ExpectedBoxes(const std::string& name, Damage damage) {
    std::vector<std::string> boxes;
    if (IsSound(name) && damage == Damage::FormatFlipped) boxes.push_back(SoundBufferBox);
    if (StillReadable(damage)) return boxes;
    if (IsSound(name)) boxes.push_back(SoundBox);
    if (IsPicture(name)) {
        if (LoadedAtStartUp(name)) boxes.push_back(PictureLoadBox);
        for (int i = 0; i < SwapsInAGame(name); i++) boxes.push_back(PictureSwapBox);
    }
    return boxes;
}

std::vector<std::string> StartUpBoxes(const std::string& name, Damage damage) {
    std::vector<std::string> boxes = ExpectedBoxes(name, damage);
    auto firstSwap = std::find(boxes.begin(), boxes.end(), PictureSwapBox);
    boxes.erase(firstSwap, boxes.end());
    return boxes;
}

// Standard error, captured from construction to Take(); a test that stops
// early still lets it go.
class CapturedStderr {
public:
    CapturedStderr() { ::testing::internal::CaptureStderr(); }
    ~CapturedStderr() {
        if (!taken) ::testing::internal::GetCapturedStderr();
    }
    std::string Take() {
        taken = true;
        return ::testing::internal::GetCapturedStderr();
    }

private:
    bool taken = false;
};

// ---- A whole game through the real loop ---------------------------------------

// A folder is given the real data as links to the generated files, so that
// a run costs no copying; a damaged file is written as a file of its own,
// never through a link.
class WholeGameTest : public GameTest {
protected:
    static constexpr int PlayFrames = 300;      // frames of the stage played
    static constexpr uint32_t PlayFrameMs = 25; // 7.5 s of game time: both streams run
    static constexpr int Guard = 200;           // frames any one phase may take at most

    // The data folder with `damaged` replaced by `bytes` (or left out).
    void LinkRealData(const std::string& damaged = "", const std::vector<uint8_t>* bytes = nullptr) {
        for (const std::string& name : DataFileNames()) {
            const std::string target = folder + "/data/" + name;
            if (name == damaged) {
                if (bytes) WriteFile("data/" + name, *bytes);
                continue;
            }
            testutil::LinkFile(std::string(GRAZE_DATA_DIR) + "/" + name, target);
        }
    }

    // One frame with `vk` held: pressed before it, released after it.
    void Tap(int vk) {
        ktScript::PressKey(vk);
        ASSERT_EQ(Step(), 1);
        ktScript::ReleaseKey(vk);
    }

    // From the title, shown for a few frames, into the first stage: Enter
    // on the title, then the mode row and the character row chosen with the
    // arrow keys and Z.
    void MenusIntoPlay(int32_t modeRow = 1, int32_t characterRow = 1) {
        ASSERT_EQ(ktSystem::SceneId, 2);
        const int shown = ktScript::State.presents;
        ASSERT_EQ(Steps(3), 1);
        EXPECT_EQ(ktSystem::SceneId, 2);
        EXPECT_EQ(ktScript::State.presents, shown + 3);
        ASSERT_NO_FATAL_FAILURE(Tap(VK_RETURN));
        ASSERT_EQ(ktSystem::SceneId, 5);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(modeRow));
        ASSERT_EQ(ktSystem::SceneId, 3);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(characterRow));
        ASSERT_EQ(ktSystem::SceneId, 1);
        EXPECT_EQ(GameMode, 2 - modeRow);
        EXPECT_EQ(Character, characterRow);
        EXPECT_EQ(StageNo, 0);
    }

    // A select scene: a frame with nothing held, then one row per tap, then Z.
    void ChooseRow(int32_t row) {
        const int32_t scene = ktSystem::SceneId;
        for (int guard = 0; MenuRow != row; guard++) {
            ASSERT_LT(guard, 10);
            ASSERT_EQ(Step(), 1);
            ASSERT_NO_FATAL_FAILURE(Tap(MenuRow > row ? VK_UP : VK_DOWN));
        }
        ASSERT_EQ(Step(), 1);
        ASSERT_EQ(ktSystem::SceneId, scene);
        ASSERT_NO_FATAL_FAILURE(Tap(VK_Z));
    }

    // Holds the stage-skip key until `stage` runs (or the game has ended).
    void SkipTo(int32_t stage) {
        if (StageNo == stage || ktSystem::SceneId != 1) return;
        ktScript::PressKey(VK_NUMPAD5);
        for (int guard = 0; StageNo != stage && ktSystem::SceneId == 1; guard++) {
            ASSERT_LT(guard, Guard) << "stage " << StageNo << " of " << LastStage;
            ASSERT_EQ(Step(), 1);
        }
        ktScript::ReleaseKey(VK_NUMPAD5);
    }

    // Plays up to `frames` frames without a key; the count played in the
    // play scene, each of them shown.
    int Play(int frames) {
        int played = 0;
        const int shown = ktScript::State.presents;
        while (played < frames && ktSystem::SceneId == 1) {
            if (!Step(PlayFrameMs)) break;
            played++;
        }
        EXPECT_EQ(ktScript::State.presents, shown + played);
        return played;
    }

    // The rest of the game: on to the last stage with the skip key; its
    // boss falls (its hit points are put below zero), the results follow,
    // Enter writes the log line and the title comes back. Returns the line.
    std::string FinishGame() {
        SkipTo(std::max(LastStage, 0));  // a count below zero: the first stage is the last
        if (ktSystem::SceneId == 1) {
            BossHp = -1;
            Step();
        }
        EXPECT_EQ(ktSystem::SceneId, 4);
        if (ktSystem::SceneId != 4) return "";
        const std::string before = ReadFile("point.txt");
        Step();
        EXPECT_EQ(ktSystem::SceneId, 4);
        Tap(VK_RETURN);
        EXPECT_EQ(ktSystem::SceneId, 2);
        const int shown = ktScript::State.presents;
        Step();
        EXPECT_EQ(ktSystem::SceneId, 2);
        EXPECT_EQ(ktScript::State.presents, shown + 1);
        const std::string after = ReadFile("point.txt");
        EXPECT_EQ(after.compare(0, before.size(), before), 0) << "earlier lines were changed";
        return after.size() >= before.size() ? after.substr(before.size()) : after;
    }
};

// The log line of a game of that stage, difficulty and character.
std::regex LogLine(int32_t stage, const char* tag, const char* mode) {
    return std::regex("STAGE " + std::to_string(stage) + " MAXCOMBO -?[0-9]+ POINT [0-9]+ " + tag +
                      " M:" + mode + "\n");
}

// ---- Every data file, every damage ------------------------------------------

struct DamageCase {
    std::string file;
    Damage damage;
};

std::vector<DamageCase> AllDamageCases() {
    std::vector<DamageCase> cases;
    for (const std::string& file : DataFileNames()) {
        for (Damage damage : AllDamage) cases.push_back({file, damage});
        if (IsSound(file)) cases.push_back({file, Damage::FormatFlipped});
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<DamageCase>& info) {
    std::string name = info.param.file + "_" + DamageName(info.param.damage);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// Names a case in a failure message.
void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.file << ", " << DamageName(c.damage); }

class DamagedFileTest : public WholeGameTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedFileTest, GameShowsItsBoxesAndPlaysToTheResults) {
    const std::string& file = GetParam().file;
    const Damage damage = GetParam().damage;
    const std::vector<uint8_t> bytes = Damaged(ReadBytes(std::string(GRAZE_DATA_DIR) + "/" + file), damage);
    LinkRealData(file, damage == Damage::Missing ? nullptr : &bytes);

    CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    EXPECT_EQ(ktScript::State.boxes, StartUpBoxes(file, damage));
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());

    // The stage the file belongs to is played; its streams start after 3 s.
    const int32_t stage = std::max(StageOf(file), 0);
    ASSERT_LE(stage, LastStage);
    ASSERT_NO_FATAL_FAILURE(SkipTo(stage));
    const int played = Play(PlayFrames);
    // Hit points from a damaged bshp.dat may end stages at once.
    if (file != "bshp.dat") {
        EXPECT_EQ(played, PlayFrames);
        EXPECT_EQ(StageNo, stage);
        EXPECT_GT(StageTime, 7.0f);
    }

    const std::string line = FinishGame();
    const std::string err = captured.Take();
    EXPECT_EQ(StageNo, LastStage);
    EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(ktScript::State.boxes, ExpectedBoxes(file, damage));

    // The engine tells of a picture or a sound by its box; a stage file that
    // is missing is named on standard error.
    if (IsPicture(file) || IsSound(file)) {
        EXPECT_EQ(err, "");
    } else if (damage == Damage::Missing) {
        EXPECT_NE(err.find("./data/" + file), std::string::npos) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, DamagedFileTest, ::testing::ValuesIn(AllDamageCases()),
                         CaseName);

// The damage cases above only mean something if the folder holds the game's
// files: the pictures and sounds of the resource set and the menus, the
// stage count, the hit points, and the picture and both streams of every
// stage up to the last.
TEST(DataFolder, HoldsEveryFileTheGameReads) {
    const std::vector<std::string> names = DataFileNames();
    auto has = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const char* name : {"start.bmp", "selemode.bmp", "opening.bmp", "tlop.bmp", "chips.bmp",
                             "chips2.bmp", "shot.wav", "hit.wav", "bomb.wav", "h2d.wav", "loop.wav",
                             "h3d.wav", "x.wav", "music.wav", "lazer.wav", "stageno.txt", "bshp.dat"})
        EXPECT_TRUE(has(name)) << name;
    // The stage count: the digits at the start of the file.
    int lastStage = 0;
    for (uint8_t byte : ReadBytes(std::string(GRAZE_DATA_DIR) + "/stageno.txt")) {
        if (byte < '0' || byte > '9') break;
        lastStage = lastStage * 10 + (byte - '0');
    }
    EXPECT_GE(lastStage, 1);
    for (int stage = 0; stage <= lastStage; stage++)
        for (const char* suffix : {".bmp", ".da1", ".da2"})
            EXPECT_TRUE(has("stage" + std::to_string(stage) + suffix)) << stage << suffix;
}

// ---- The stage count out of range ---------------------------------------------

class StageCountTest : public WholeGameTest {
protected:
    void StartWithStageCount(const std::string& text) {
        LinkRealData("stageno.txt");
        WriteFile("data/stageno.txt", text);
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
    }
};

// A stage count below zero names no stage the game can reach: the game
// still ends, after its first stage.
TEST_F(StageCountTest, NegativeCountStillEndsTheGame) {
    ASSERT_NO_FATAL_FAILURE(StartWithStageCount("-1"));
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_EQ(Play(PlayFrames), PlayFrames);
    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(0, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_TRUE(ktScript::State.boxes.empty());
}

// A count beyond the stage files: each stage without files has no hit points
// and ends on its first frame, with the box of its missing picture, and the
// game reaches the results.
TEST_F(StageCountTest, CountBeyondTheStageFilesRunsOnToTheResults) {
    ASSERT_NO_FATAL_FAILURE(StartWithStageCount("07"));
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    ASSERT_NO_FATAL_FAILURE(SkipTo(4));
    CapturedStderr captured;
    // Stage 4's boss falls; stages 5, 6 and 7 end as they begin.
    BossHp = -1;
    for (int guard = 0; ktSystem::SceneId == 1 && guard < Guard; guard++) Step();
    const std::string err = captured.Take();
    ASSERT_EQ(ktSystem::SceneId, 4);
    EXPECT_EQ(StageNo, 7);
    EXPECT_EQ(ktScript::State.boxes, std::vector<std::string>(3, PictureSwapBox));
    for (const char* name : {"stage5.da1", "stage6.da2", "stage7.da1"})
        EXPECT_NE(err.find(name), std::string::npos) << err;
    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(7, "N:BRIONY", "STANDARD"))) << line;
}

// ---- The score log ---------------------------------------------------------------

class ScoreLogTest : public WholeGameTest {
protected:
    void SetUp() override {
        WholeGameTest::SetUp();
        LinkRealData();
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    }

    // A short game: into play, the first stage for a moment, then on to the
    // end. Returns the log line.
    std::string ShortGame(int32_t modeRow, int32_t characterRow) {
        MenusIntoPlay(modeRow, characterRow);
        EXPECT_EQ(Play(20), 20);
        return FinishGame();
    }
};

TEST_F(ScoreLogTest, LogThatCannotBeWrittenCostsOneMessageAndTheNextGameIsLogged) {
    fs::create_directory(folder + "/point.txt");  // no file can be opened by that name
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_EQ(Play(20), 20);
    SkipTo(LastStage);
    BossHp = -1;
    ASSERT_EQ(Step(), 1);
    ASSERT_EQ(ktSystem::SceneId, 4);

    CapturedStderr captured;
    Tap(VK_RETURN);
    const std::string err = captured.Take();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("point.txt"), std::string::npos) << err;
    EXPECT_EQ(ktSystem::SceneId, 2);
    EXPECT_TRUE(fs::is_directory(folder + "/point.txt"));
    EXPECT_TRUE(ktScript::State.boxes.empty());

    // The title shows, and once the log can be written the next game is in it.
    const int shown = ktScript::State.presents;
    ASSERT_EQ(Step(), 1);
    EXPECT_EQ(ktScript::State.presents, shown + 1);
    fs::remove(folder + "/point.txt");
    const std::string line = ShortGame(0, 2);
    EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:CALLA", "KIDS"))) << line;
}

TEST_F(ScoreLogTest, EarlierLinesStayByteForByte) {
    // Lines of earlier games, one from another system's line ends, and bytes
    // no game writes.
    const std::string earlier =
        "STAGE 4 MAXCOMBO 1234 POINT 4200000000 N:ASTER M:KIDS\n"
        "STAGE 0 MAXCOMBO 0 POINT 0 N:CALLA M:MASTER\r\n"
        "a note \t\xE2\x98\x85 \x01\xFF kept as it is\n";
    WriteFile("point.txt", earlier);

    const struct {
        int32_t modeRow, characterRow;
        const char *tag, *mode;
    } games[] = {{0, 0, "N:ASTER", "KIDS"}, {2, 2, "N:CALLA", "MASTER"}, {1, 1, "N:BRIONY", "STANDARD"}};
    std::string expectedStart = earlier;
    for (const auto& game : games) {
        const std::string line = ShortGame(game.modeRow, game.characterRow);
        EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, game.tag, game.mode))) << line;
        const std::string log = testutil::ReadText(folder + "/point.txt");  // as bytes
        ASSERT_EQ(log.substr(0, expectedStart.size()), expectedStart);
        expectedStart = log;
    }
    const std::string log = testutil::ReadText(folder + "/point.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3 + 3);
}

// ---- Folders: where the stage data comes from and the log goes -------------------

// The program folder (pictures, sounds and the built stage set) is a folder of
// its own; the working folder is the fixture's, with no data/ in it. The
// player's data folder is named but not made.
class FoldersTest : public WholeGameTest {
protected:
    const testutil::ScratchFolder program{testutil::TestName() + "-program"};
    const testutil::ScratchFolder player{testutil::TestName() + "-player"};

    void SetUp() override {
        WholeGameTest::SetUp();
        fs::remove(folder + "/data");
        fs::create_directory(program / "data");
        for (const std::string& name : DataFileNames())
            testutil::LinkFile(std::string(GRAZE_DATA_DIR) + "/" + name, program / ("data/" + name));
        ktScript::State.basePath = program.path() + "/";
        ktScript::State.userDataFolder = player / "share/grazerunner";
    }

    std::string PlayersLog() { return testutil::ReadLines(player / "share/grazerunner/point.txt"); }
};

TEST_F(FoldersTest, ScratchWorkingFolderPlaysTheProgramFoldersStagesAndKeepsTheLog) {
    CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    EXPECT_TRUE(ktScript::State.boxes.empty());
    EXPECT_GE(LastStage, 1);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_GT(BossHp, 0);
    EXPECT_EQ(Play(PlayFrames), PlayFrames);
    EXPECT_EQ(StageNo, 0);
    EXPECT_NE(Script1File, nullptr);
    EXPECT_GT(SoundCalls("play ./data/h3d.wav") + SoundCalls("play ./data/h2d.wav"), 0);

    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(ReadFile("point.txt"), line);
    EXPECT_FALSE(fs::exists(program / "point.txt"));
    EXPECT_FALSE(fs::exists(player / "share"));  // made only when needed
    // One line tells where the stages came from, once; nothing went missing.
    EXPECT_EQ(captured.Take(), "grazerunner: no ./data/stageno.txt in the working folder; "
                               "stage data comes from " + program.path() + "/data/\n");
    EXPECT_EQ(StageDataSource, 1);
}

TEST_F(FoldersTest, WorkingFolderThatTakesNoLogSendsTheLineToThePlayersFolder) {
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    const std::string file = player.Write("file", "");
    const struct {
        const char* what;
        std::string working;      // the working folder during the game
        std::string playersData;  // the player's data folder
        bool logged;              // the line lands in the player's log
    } cases[] = {
        // A folder that not even the superuser can write to; the player's
        // folder is made.
        {"read-only folder", "/proc", player / "share/grazerunner", true},
        // A folder in the way of point.txt; the player's log has a line.
        {"point.txt is a folder", folder, player / "share/grazerunner", true},
        // The player's folder cannot be made under a file: the line is lost.
        {"no player's folder", folder, file + "/grazerunner", false},
    };
    fs::create_directory(folder + "/point.txt");
    std::string playersLog;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
#ifdef _WIN32
        if (c.working == "/proc") continue;  // a folder that only Linux has
#endif
        fs::current_path(c.working);
        ktScript::State.userDataFolder = c.playersData;
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(0, 2));
        EXPECT_EQ(Play(20), 20);
        ASSERT_NO_FATAL_FAILURE(SkipTo(LastStage));
        BossHp = -1;
        ASSERT_EQ(Step(), 1);
        ASSERT_EQ(ktSystem::SceneId, 4);
        CapturedStderr captured;
        ASSERT_NO_FATAL_FAILURE(Tap(VK_RETURN));
        const std::string err = captured.Take();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        if (c.logged) {
            const std::string log = PlayersLog();
            ASSERT_EQ(log.substr(0, playersLog.size()), playersLog);
            EXPECT_TRUE(std::regex_match(log.substr(playersLog.size()), LogLine(LastStage, "N:CALLA", "KIDS")))
                << log;
            playersLog = log;
            EXPECT_NE(err.find("went to " + player / "share/grazerunner/point.txt\n"), std::string::npos) << err;
        } else {
            EXPECT_EQ(PlayersLog(), playersLog);
            EXPECT_NE(err.find("not logged"), std::string::npos) << err;
        }
        EXPECT_EQ(ktSystem::SceneId, 2);
        EXPECT_TRUE(ktScript::State.boxes.empty());
    }
    EXPECT_TRUE(fs::is_directory(folder + "/point.txt"));
}

TEST_F(FoldersTest, WorkingFoldersOwnStageSetIsPlayed) {
    fs::create_directory(folder + "/data");
    WriteFile("data/stageno.txt", std::string("00"));
    WriteFile("data/bshp.dat", std::vector<uint8_t>{7});
    WriteFile("data/stage0.da1", std::vector<uint8_t>{13, 0, 0});
    WriteFile("data/stage0.da2", std::vector<uint8_t>{9, 20});
    CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    EXPECT_EQ(LastStage, 0);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_EQ(BossHp, 7 * 500);
    EXPECT_EQ(Play(PlayFrames), PlayFrames);
    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(0, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(captured.Take(), "");
    EXPECT_EQ(StageDataSource, 0);
}

}  // namespace
