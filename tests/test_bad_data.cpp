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
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "game_fixture.h"

namespace {

namespace fs = std::filesystem;

const std::string LoadBox = "ktDraw::LoadObject : BMPファイルを読み込めません";
const std::string SwapBox = "ktDraw::SwapObject : BMPファイルを読み込めません";
const std::string SoundBox = "ktSound::LoadObject : WAVEリソースが見つかりません";
const std::string SoundBufferBox = "ktSound::LoadObject : サウンドバッファが生成できません";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The stage a file belongs to (stageN.bmp, stageN.da1, stageN.da2); 0 for the others.
int StageOf(const std::string& name) { return name.rfind("stage", 0) == 0 ? std::atoi(name.c_str() + 5) : 0; }

// FormatFlipped is for sounds only: the format record (but for its format
// tag) inside a whole chunk layout, so the file reads but cannot be played.
enum class Damage { Missing, Half, Empty, HeadFlipped, TailFlipped, Garbage, FormatFlipped };
const char* const DamageNames[] = {"Missing", "Half", "Empty", "HeadFlipped", "TailFlipped", "Garbage", "FormatFlipped"};

// The bytes of a file after the damage (Missing: no file at all).
std::vector<uint8_t> Damaged(std::vector<uint8_t> bytes, Damage damage) {
    switch (damage) {
    case Damage::Missing:
    case Damage::Empty: bytes.clear(); break;
    case Damage::Half: bytes.resize(bytes.size() / 2); break;
    case Damage::HeadFlipped:  // every bit of the first 16 bytes: a picture's or a sound's header
        for (size_t i = 0; i < bytes.size() && i < 16; i++) bytes[i] ^= 0xFF;
        break;
    case Damage::TailFlipped:  // every bit of the second half: pixels or samples, the header whole
        for (size_t i = bytes.size() / 2; i < bytes.size(); i++) bytes[i] ^= 0xFF;
        break;
    case Damage::Garbage:  // bytes with the high bit set: never a digit, a sign or a file tag
        for (size_t i = 0; i < bytes.size(); i++) bytes[i] = uint8_t(0x80u | (i * 37u + i / 7u));
        break;
    case Damage::FormatFlipped: {  // channels, rates, block size and bits; PCM stays PCM
        const std::string tag = "fmt ";
        const size_t record = size_t(std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) - bytes.begin()) + 8;
        for (size_t i = record + 2; i < record + 16 && i < bytes.size(); i++) bytes[i] ^= 0xFF;
        break;
    }
    }
    return bytes;
}

// The boxes of one whole game with that file damaged, in order: a load at
// start-up, then a swap (the menus' and stages' pictures when their scene or
// stage begins, the title picture on the way back from the results). A
// flipped tail leaves a file the engine still reads.
std::vector<std::string> ExpectedBoxes(const std::string& name, Damage damage) {
    if (damage == Damage::TailFlipped) return {};
    if (EndsWith(name, ".wav")) return {damage == Damage::FormatFlipped ? SoundBufferBox : SoundBox};
    if (!EndsWith(name, ".bmp")) return {};
    std::vector<std::string> boxes;
    for (const char* loaded : {"start.bmp", "stage1.bmp", "chips2.bmp", "chips.bmp", "tlop.bmp"})
        if (name == loaded) boxes.push_back(LoadBox);
    // A picture whose load failed leaves its handle 0, a work surface that
    // takes no picture: every swap into that handle is refused (the mode
    // and character pictures and the title's on the way back; each of the
    // five stages' pictures).
    if (name == "start.bmp") boxes.insert(boxes.end(), 3, SwapBox);
    else if (name == "stage1.bmp") boxes.insert(boxes.end(), 5, SwapBox);
    else if (name != "chips2.bmp" && name != "chips.bmp" && name != "tlop.bmp") boxes.push_back(SwapBox);
    return boxes;
}

// The log line of a game of that stage, difficulty and character.
std::regex LogLine(int32_t stage, const char* tag, const char* mode) {
    return std::regex("STAGE " + std::to_string(stage) + " MAXCOMBO -?[0-9]+ POINT [0-9]+ " + tag + " M:" + mode + "\n");
}

struct DamageCase {
    std::string file;
    Damage damage;
};

std::vector<DamageCase> AllDamageCases() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(GRAZE_DATA_DIR)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<DamageCase> cases;
    for (const std::string& file : names)
        for (int d = 0; d <= int(Damage::FormatFlipped); d++)
            if (Damage(d) != Damage::FormatFlipped || EndsWith(file, ".wav")) cases.push_back({file, Damage(d)});
    return cases;
}

class DamagedFileTest : public GameTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedFileTest, GameShowsItsBoxesAndPlaysToTheResults) {
    const auto& [file, damage] = GetParam();
    const std::vector<uint8_t> bytes = Damaged(testutil::ReadBytes(std::string(GRAZE_DATA_DIR) + "/" + file), damage);
    LinkRealData(file);
    if (damage != Damage::Missing) WriteFile("data/" + file, bytes);
    testutil::CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    std::vector<std::string> boxes = ExpectedBoxes(file, damage);
    const auto swaps = std::find(boxes.begin(), boxes.end(), SwapBox);  // they come later
    EXPECT_EQ(ktScript::State.boxes, std::vector<std::string>(boxes.begin(), swaps));
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    // The stage the file belongs to is played; its streams start after 3 s.
    const int32_t stage = StageOf(file);
    ASSERT_LE(stage, LastStage);
    ASSERT_NO_FATAL_FAILURE(SkipTo(stage));
    const int shown = ktScript::State.presents;
    const int played = Play(300);
    if (file != "bshp.dat") {  // hit points from a damaged bshp.dat may end stages at once
        EXPECT_EQ(std::tuple(played, ktScript::State.presents - shown, StageNo), std::tuple(300, 300, stage));
        EXPECT_GT(StageTime, 7.0f);
    }
    const std::string line = FinishGame();
    const std::string err = captured.Take();
    EXPECT_EQ(StageNo, LastStage);
    EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(ktScript::State.boxes, boxes);
    // The engine tells of a picture or a sound by its box; a stage file that
    // is missing is named on standard error.
    if (EndsWith(file, ".bmp") || EndsWith(file, ".wav")) {
        EXPECT_EQ(err, "");
    } else if (damage == Damage::Missing) {
        EXPECT_NE(err.find("./data/" + file), std::string::npos) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, DamagedFileTest, ::testing::ValuesIn(AllDamageCases()),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             std::string name = info.param.file + "_" + DamageNames[int(info.param.damage)];
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });

// ---- The stage count out of range, and the score log -------------------------

using WholeGameTest = GameTest;

// A stage count below zero names no stage the game can reach: the game still
// ends, after its first stage. A count beyond the stage files: each stage
// without files has no hit points and ends on its first frame, with the box
// of its missing picture and the names of its missing streams, and the game
// reaches the results.
TEST_F(WholeGameTest, StageCountOutOfRangeStillEndsTheGame) {
    for (const auto& [count, last, missing] : {std::tuple{"-1", 0, 0}, {"07", 7, 3}}) {
        StartAfresh("stageno.txt");
        WriteFile("data/stageno.txt", count);
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
        EXPECT_EQ(Play(20), 20);
        testutil::CapturedStderr captured;
        const std::string line = FinishGame();
        const std::string err = captured.Take();
        EXPECT_TRUE(std::regex_match(line, LogLine(last, "N:BRIONY", "STANDARD"))) << line;
        EXPECT_EQ(ktScript::State.boxes, std::vector<std::string>(size_t(missing), SwapBox)) << count;
        for (int stage = 5; stage <= last; stage++)
            EXPECT_NE(err.find("stage" + std::to_string(stage) + ".da1"), std::string::npos) << err;
    }
}

// ---- Folders: where the stage data comes from and the log goes -------------------

// The program folder (pictures, sounds and the built stage set) is a folder of
// its own; the working folder is the fixture's, with no data/ in it. The
// player's data folder is named but not made.
class FoldersTest : public GameTest {
protected:
    const testutil::ScratchFolder program{testutil::TestName() + "-program"};
    const testutil::ScratchFolder player{testutil::TestName() + "-player"};

    void SetUp() override {
        GameTest::SetUp();
        fs::remove(folder + "/data");
        fs::create_directory(program / "data");
        for (const auto& entry : fs::directory_iterator(GRAZE_DATA_DIR))
            testutil::LinkFile(entry.path(), program / ("data/" + entry.path().filename().string()));
        ktScript::State.basePath = program.path() + "/";
        ktScript::State.userDataFolder = player / "share/grazerunner";
    }
};

TEST_F(FoldersTest, ScratchWorkingFolderPlaysTheProgramFoldersStagesAndKeepsTheLog) {
    testutil::CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    EXPECT_TRUE(ktScript::State.boxes.empty());
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_GT(BossHp, 0);
    EXPECT_EQ(std::tuple(Play(300), StageNo), std::tuple(300, 0));
    EXPECT_GT(SoundCalls("play ./data/h3d.wav") + SoundCalls("play ./data/h2d.wav"), 0);  // a stream fires
    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(ReadFile("point.txt"), line);
    EXPECT_FALSE(fs::exists(program / "point.txt"));
    EXPECT_FALSE(fs::exists(player / "share"));  // made only when needed
    // One line tells where the stages came from, once.
    EXPECT_EQ(captured.Take(), "grazerunner: no ./data/stageno.txt in the working folder; "
                               "stage data comes from " + program.path() + "/data/\n");
    EXPECT_EQ(StageDataSource, 1);
}

// A working folder that takes no log sends the line to the player's data
// folder, made when needed, with one message naming it; where that cannot be
// made either, the line is lost with one message. Once point.txt can be
// written again, the next game is in it. Nothing logged earlier changes.
// The game's replay follows the same rule, into replays/ of whichever
// folder takes it.
TEST_F(FoldersTest, WorkingFolderThatTakesNoLogSendsTheLineToThePlayersFolder) {
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    const std::string file = player.Write("file", ""), playersLog = player / "share/grazerunner/point.txt";
    enum Lands { Players, Lost, Working };
    const struct {
        std::string working;      // the working folder during the game
        std::string playersData;  // the player's data folder
        Lands lands;
    } cases[] = {
        {"/proc", player / "share/grazerunner", Players},  // not even the superuser may write there
        {folder, player / "share/grazerunner", Players},   // point.txt is a folder
        {folder, file + "/grazerunner", Lost},              // and the player's folder cannot be made
        {folder, player / "share/grazerunner", Working},    // point.txt can be written again
    };
    fs::create_directory(folder + "/point.txt");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.working + " " + c.playersData);
#ifdef _WIN32
        if (c.working == "/proc") continue;  // a folder that only Linux has
#endif
        if (c.lands == Working) fs::remove(folder + "/point.txt");
        fs::current_path(c.working);
        ktScript::State.userDataFolder = c.playersData;
        const std::string before = testutil::ReadLines(playersLog);
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(0, 2));
        testutil::CapturedStderr captured;
        const std::string line = FinishGame();
        const std::string err = captured.Take(), after = testutil::ReadLines(playersLog);
        ASSERT_EQ(after.substr(0, before.size()), before);
        const bool replayInPlayers = c.working == "/proc";
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), (c.lands != Working) + replayInPlayers) << err;
        const fs::path replays = replayInPlayers ? fs::path(c.playersData) / "replays" : fs::path(c.working) / "replays";
        EXPECT_TRUE(fs::is_directory(replays) && !fs::is_empty(replays)) << replays;
        if (c.lands == Players) {
            EXPECT_TRUE(std::regex_match(after.substr(before.size()), LogLine(LastStage, "N:CALLA", "KIDS"))) << after;
            EXPECT_NE(err.find("went to " + playersLog + "\n"), std::string::npos) << err;
        } else {
            EXPECT_EQ(after, before);
            EXPECT_NE(err.find(c.lands == Lost ? "not logged" : ""), std::string::npos) << err;
        }
        if (c.lands == Working) {
            EXPECT_TRUE(std::regex_match(line, LogLine(LastStage, "N:CALLA", "KIDS"))) << line;
        }
        EXPECT_TRUE(ktScript::State.boxes.empty());
    }
}

TEST_F(FoldersTest, WorkingFoldersOwnStageSetIsPlayed) {
    fs::create_directory(folder + "/data");
    WriteFile("data/stageno.txt", std::string("00"));
    WriteFile("data/bshp.dat", std::vector<uint8_t>{7});
    WriteFile("data/stage0.da1", std::vector<uint8_t>{13, 0, 0});
    WriteFile("data/stage0.da2", std::vector<uint8_t>{9, 20});
    testutil::CapturedStderr captured;
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay());
    EXPECT_EQ(std::tuple(LastStage, BossHp), std::tuple(0, 7 * 500));
    EXPECT_EQ(Play(300), 300);
    const std::string line = FinishGame();
    EXPECT_TRUE(std::regex_match(line, LogLine(0, "N:BRIONY", "STANDARD"))) << line;
    EXPECT_EQ(std::tuple(captured.Take(), StageDataSource), std::tuple(std::string(), 0));
}

}  // namespace
