// The stage compiler: the shipped stages, the text form's errors, the
// decompiler, the build of the data folder and the boss-time estimate.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "stagec.h"

namespace fs = std::filesystem;

namespace {

constexpr int ShippedStages = 5;

std::string StageSourcePath(int n) {
    return std::string(GRAZE_SOURCE_DIR) + "/stages/stage" + std::to_string(n) + ".txt";
}

std::string ReadFile(const std::string& path) {
    std::string bytes, error;
    EXPECT_TRUE(stagec::ReadWholeFile(path, &bytes, &error)) << error;
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(stagec::WriteWholeFile(path, bytes, &error)) << error;
}

std::string Bytes(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

stagec::StageData CompileOk(const std::string& text) {
    stagec::StageData stage;
    std::string error;
    EXPECT_TRUE(stagec::CompileStageText("test.txt", text, &stage, &error)) << error;
    return stage;
}

// Compiles text that must be refused; returns the message.
std::string CompileError(const std::string& text, const std::string& fileName = "bad.txt") {
    stagec::StageData stage;
    std::string error;
    EXPECT_FALSE(stagec::CompileStageText(fileName, text, &stage, &error))
        << "accepted:\n" << text;
    return error;
}

// A fresh empty folder under the build folder, removed when done.
class TempDir {
public:
    explicit TempDir(const std::string& name)
        : path_(std::string(GRAZE_BUILD_DIR) + "/test_stagec_" + name) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& file) const { return path_ + "/" + file; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

constexpr const char* Header = "boss-hp 1000\n";

}  // namespace

// ---------------------------------------------------------------- the shipped stages

TEST(StagecStages, EveryStageRoundTripsThroughTheDecompiler) {
    for (int n = 0; n < ShippedStages; n++) {
        SCOPED_TRACE(StageSourcePath(n));
        stagec::StageData first, second;
        std::string error;
        ASSERT_TRUE(stagec::CompileStageFile(StageSourcePath(n), &first, &error)) << error;
        std::string notes;
        const std::string text = stagec::DecompileStage(first, &notes);
        EXPECT_EQ(notes, "");
        ASSERT_TRUE(stagec::CompileStageText("decompiled.txt", text, &second, &error)) << error;
        EXPECT_EQ(Bytes(second.shots), Bytes(first.shots));
        EXPECT_EQ(Bytes(second.moves), Bytes(first.moves));
        EXPECT_EQ(second.bossHpByte, first.bossHpByte);
    }
}

TEST(StagecStages, GeneratedDataFilesHaveTheRightShape) {
    const std::string data = GRAZE_DATA_DIR;
    EXPECT_EQ(ReadFile(data + "/stageno.txt"), "04");
    const std::string boss = ReadFile(data + "/bshp.dat");
    ASSERT_EQ(boss.size(), 5u);
    for (int n = 0; n < ShippedStages; n++) {
        SCOPED_TRACE("stage " + std::to_string(n));
        const std::string shots = ReadFile(data + "/stage" + std::to_string(n) + ".da1");
        const std::string moves = ReadFile(data + "/stage" + std::to_string(n) + ".da2");
        EXPECT_GT(shots.size(), 0u);
        EXPECT_GT(moves.size(), 0u);
        EXPECT_EQ(shots.size() % 3, 0u);
        EXPECT_EQ(moves.size() % 2, 0u);
        // The data folder holds exactly what the sources say.
        stagec::StageData stage;
        std::string error;
        ASSERT_TRUE(stagec::CompileStageFile(StageSourcePath(n), &stage, &error)) << error;
        EXPECT_EQ(shots, Bytes(stage.shots));
        EXPECT_EQ(moves, Bytes(stage.moves));
        EXPECT_EQ(static_cast<uint8_t>(boss[n]), stage.bossHpByte);
        EXPECT_GT(stage.bossHpByte, 0);
    }
    EXPECT_FALSE(fs::exists(data + "/stage5.da1"));
}

TEST(StagecStages, TogetherTheStagesUseEveryCode) {
    std::set<int> depth, flat, boss;
    for (int n = 0; n < ShippedStages; n++) {
        stagec::StageData stage;
        std::string error;
        ASSERT_TRUE(stagec::CompileStageFile(StageSourcePath(n), &stage, &error)) << error;
        for (size_t i = 0; i + 3 <= stage.shots.size(); i += 3) {
            for (int k = 0; k < 2; k++) {
                const int code = stage.shots[i + k];
                (code < 50 ? depth : flat).insert(code);
            }
        }
        for (size_t i = 0; i + 2 <= stage.moves.size(); i += 2) boss.insert(stage.moves[i]);
    }
    for (int code = 1; code <= 49; code++) EXPECT_TRUE(depth.count(code)) << "depth code " << code;
    for (int code = 50; code <= 100; code++) EXPECT_TRUE(flat.count(code)) << "flat code " << code;
    for (int code = 0; code <= 49; code++) EXPECT_TRUE(boss.count(code)) << "boss code " << code;
}

TEST(StagecStages, LaterStagesKeepTheBossAliveLonger) {
    // The stages form a curve: on average over the three characters each
    // boss lasts longer than the one before for a player who keeps under
    // it, and every stage lasts between 40 s and two minutes that way.
    double previous = 0;
    for (int n = 0; n < ShippedStages; n++) {
        SCOPED_TRACE("stage " + std::to_string(n));
        stagec::StageData stage;
        std::string error;
        ASSERT_TRUE(stagec::CompileStageFile(StageSourcePath(n), &stage, &error)) << error;
        double total = 0;
        for (int character = 0; character < 3; character++) {
            const double seconds = stagec::EstimateBossSeconds(stage, character, 600);
            ASSERT_GT(seconds, 0);
            total += seconds;
        }
        EXPECT_GT(total / 3, 40);
        EXPECT_LT(total / 3, 120);
        EXPECT_GT(total / 3, previous);
        previous = total / 3;
    }
}

// ---------------------------------------------------------------- the text form

TEST(StagecText, CompilesEntriesToTheirBytes) {
    const stagec::StageData stage = CompileOk(
        "# a comment line\n"
        "boss-hp 20000   # 40 x 500\n"
        "\n"
        "shot depth.aim-slow flat.fan5-fast 1.50\n"
        "shot none 200 0\n"
        "shot FLAT.REVERSE depth.clear 12.75\n"
        "move boss.home-centre-2s 0.05\n"
        "move 77 2\n");
    EXPECT_EQ(stage.bossHpByte, 40);
    EXPECT_EQ(Bytes(stage.shots), std::string("\x01\x3A\x1E\x00\xC8\x00\x64\x31\xFF", 9));
    EXPECT_EQ(Bytes(stage.moves), std::string("\x2A\x01\x4D\x28", 4));
}

TEST(StagecText, DelaysAreExactTwentieths) {
    int ticks = -1;
    std::string error;
    EXPECT_TRUE(stagec::ParseDelay("0", &ticks, &error));
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(stagec::ParseDelay("1.5", &ticks, &error));
    EXPECT_EQ(ticks, 30);
    EXPECT_TRUE(stagec::ParseDelay("1.500", &ticks, &error));
    EXPECT_EQ(ticks, 30);
    EXPECT_TRUE(stagec::ParseDelay("12.75", &ticks, &error));
    EXPECT_EQ(ticks, 255);
    EXPECT_TRUE(stagec::ParseDelay(".05", &ticks, &error));
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(stagec::ParseDelay("0.051", &ticks, &error));
    EXPECT_FALSE(stagec::ParseDelay("1.2.3", &ticks, &error));
    EXPECT_FALSE(stagec::ParseDelay("", &ticks, &error));
    EXPECT_EQ(stagec::FormatDelay(0), "0.00");
    EXPECT_EQ(stagec::FormatDelay(1), "0.05");
    EXPECT_EQ(stagec::FormatDelay(255), "12.75");
}

TEST(StagecText, RepeatBlocksUnrollAndNest) {
    const stagec::StageData stage = CompileOk(
        "boss-hp 500\n"
        "repeat 2 {\n"
        "  shot depth.aim-slow none 1\n"
        "  repeat 3 {\n"
        "    move boss.stop 0.5\n"
        "  }\n"
        "}\n"
        "shot none none 2\n");
    EXPECT_EQ(Bytes(stage.shots), std::string("\x01\x00\x14\x01\x00\x14\x00\x00\x28", 9));
    EXPECT_EQ(stage.moves.size(), 12u);
}

TEST(StagecText, EveryNamedCodeIsFoundByItsName) {
    std::set<std::string> names;
    const stagec::CodeFamily families[] = {stagec::FamilyDepth, stagec::FamilyFlat,
                                           stagec::FamilyBoss};
    for (stagec::CodeFamily family : families) {
        for (int code = 0; code < 256; code++) {
            const char* name = stagec::CodeName(family, code);
            if (!name) continue;
            EXPECT_TRUE(names.insert(name).second) << "name used twice: " << name;
            stagec::CodeFamily found = stagec::FamilyDepth;
            int foundCode = -1;
            ASSERT_TRUE(stagec::FindCodeName(name, &found, &foundCode)) << name;
            EXPECT_EQ(found, family);
            EXPECT_EQ(foundCode, code);
        }
    }
    // 49 depth codes (1-49), 51 flat codes (50-100), 50 boss codes (0-49).
    EXPECT_EQ(names.size(), 49u + 51u + 50u);
    EXPECT_EQ(stagec::CodeName(stagec::FamilyDepth, 0), nullptr);
    EXPECT_EQ(stagec::CodeName(stagec::FamilyFlat, 101), nullptr);
    EXPECT_EQ(stagec::CodeName(stagec::FamilyBoss, 50), nullptr);
}

// ---------------------------------------------------------------- refused sources

TEST(StagecErrors, UnknownNameIsNamedWithFileAndLine) {
    const std::string error = CompileError(
        "boss-hp 1000\n"
        "\n"
        "shot depth.aim-slwo none 1.00\n", "stages/mine.txt");
    EXPECT_NE(error.find("stages/mine.txt:3:"), std::string::npos) << error;
    EXPECT_NE(error.find("unknown code name 'depth.aim-slwo'"), std::string::npos) << error;
    EXPECT_NE(error.find("did you mean depth.aim-slow?"), std::string::npos) << error;
}

TEST(StagecErrors, DelaysThatDoNotFitAByteAreRefused) {
    std::string error = CompileError(std::string(Header) + "shot none none 12.80\n");
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("delay 12.80 is too long"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "shot none none 0.03\n");
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("delay 0.03 is not a multiple of 0.05"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "move boss.stop -1\n");
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("delay -1 is negative"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "move boss.stop soon\n");
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("delay 'soon' is not a number"), std::string::npos) << error;
}

TEST(StagecErrors, NumbersOutOfByteRangeAreRefused) {
    std::string error = CompileError(std::string(Header) + "shot 256 none 1\n");
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
    EXPECT_NE(error.find("number 256 is out of range"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "move -1 1\n");
    EXPECT_NE(error.find("number -1 is out of range"), std::string::npos) << error;
}

TEST(StagecErrors, MissingAndExtraFieldsAreRefused) {
    std::string error = CompileError(std::string(Header) + "\nshot depth.aim-slow 1.00\n");
    EXPECT_NE(error.find("bad.txt:3:"), std::string::npos) << error;
    EXPECT_NE(error.find("missing field"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "move boss.stop\n");
    EXPECT_NE(error.find("bad.txt:2: missing field"), std::string::npos) << error;

    error = CompileError("boss-hp\n");
    EXPECT_NE(error.find("bad.txt:1: missing field"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "move boss.stop 1 2\n");
    EXPECT_NE(error.find("bad.txt:2: too many fields ('2' is extra)"), std::string::npos) << error;
}

TEST(StagecErrors, CodesOnTheWrongKindOfLineAreRefused) {
    std::string error = CompileError(std::string(Header) + "shot boss.stop none 1\n");
    EXPECT_NE(error.find("bad.txt:2: boss.stop is a boss move; it belongs on a move line"),
              std::string::npos) << error;
    error = CompileError(std::string(Header) + "move flat.aim-slow 1\n");
    EXPECT_NE(error.find("bad.txt:2: flat.aim-slow is a shot pattern"), std::string::npos) << error;
    error = CompileError(std::string(Header) + "move none 1\n");
    EXPECT_NE(error.find("bad.txt:2: 'none' belongs on shot lines"), std::string::npos) << error;
}

TEST(StagecErrors, BossHitPointsMustFitTheDataFile) {
    std::string error = CompileError("boss-hp 20100\n");
    EXPECT_NE(error.find("bad.txt:1: boss-hp 20100 is not a multiple of 500"), std::string::npos)
        << error;
    error = CompileError("boss-hp 128000\n");
    EXPECT_NE(error.find("bad.txt:1: boss-hp 128000 is out of range"), std::string::npos) << error;
    error = CompileError("boss-hp 500\nboss-hp 1000\n");
    EXPECT_NE(error.find("bad.txt:2: boss-hp given twice (first on line 1)"), std::string::npos)
        << error;
    error = CompileError("shot none none 1\n");
    EXPECT_NE(error.find("bad.txt: no boss-hp line"), std::string::npos) << error;
}

TEST(StagecErrors, GarbageAndBrokenBlocksAreRefused) {
    std::string error = CompileError(std::string(Header) + "shoot none none 1\n");
    EXPECT_NE(error.find("bad.txt:2: unknown keyword 'shoot'"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "\x01\xFF\x7F garbage\n");
    EXPECT_NE(error.find("bad.txt:2: unknown keyword '\\x01\\xFF\\x7F'"), std::string::npos)
        << error;

    error = CompileError(std::string(Header) + "depth.aim-slow none 1\n");
    EXPECT_NE(error.find("bad.txt:2: a line starts with its keyword"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "repeat 2 {\nshot none none 1\n");
    EXPECT_NE(error.find("bad.txt:2: repeat block is never closed"), std::string::npos) << error;

    error = CompileError(std::string(Header) + "}\n");
    EXPECT_NE(error.find("bad.txt:2: '}' without an open repeat block"), std::string::npos)
        << error;

    error = CompileError(std::string(Header) + "repeat 0 {\n}\n");
    EXPECT_NE(error.find("bad.txt:2: repeat count 0 is out of range"), std::string::npos) << error;

    error = CompileError(std::string(Header) +
                         "repeat 1000 {\nrepeat 1000 {\nshot none none 1\n}\n}\n");
    EXPECT_NE(error.find("bad.txt:6: a stream grows beyond"), std::string::npos) << error;
}

TEST(StagecErrors, MissingOrEmptySourceFilesAreRefused) {
    TempDir dir("missing");
    stagec::StageData stage;
    std::string error;
    EXPECT_FALSE(stagec::CompileStageFile(dir / "nothing.txt", &stage, &error));
    EXPECT_NE(error.find("nothing.txt: cannot open for reading"), std::string::npos) << error;

    WriteFile(dir / "empty.txt", "");
    EXPECT_FALSE(stagec::CompileStageFile(dir / "empty.txt", &stage, &error));
    EXPECT_NE(error.find("empty.txt: no boss-hp line"), std::string::npos) << error;

    EXPECT_FALSE(stagec::CompileStageFile(dir.path(), &stage, &error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
}

// ---------------------------------------------------------------- the decompiler

TEST(StagecDecompile, WritesNamesWhereCodesHaveThemAndNumbersOtherwise) {
    stagec::StageData stage;
    stage.bossHpByte = 7;
    stage.shots = {0, 13, 40, 150, 101, 0};
    stage.moves = {41, 20, 200, 255};
    const std::string text = stagec::DecompileStage(stage, nullptr);
    EXPECT_NE(text.find("boss-hp 3500\n"), std::string::npos) << text;
    EXPECT_NE(text.find("shot none"), std::string::npos) << text;
    EXPECT_NE(text.find("depth.cross-slow"), std::string::npos) << text;
    EXPECT_NE(text.find("2.00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("shot 150"), std::string::npos) << text;
    EXPECT_NE(text.find(" 101 "), std::string::npos) << text;
    EXPECT_NE(text.find("move boss.home-centre-1s"), std::string::npos) << text;
    EXPECT_NE(text.find("move 200"), std::string::npos) << text;
    EXPECT_NE(text.find("12.75\n"), std::string::npos) << text;
    const stagec::StageData again = CompileOk(text);
    EXPECT_EQ(Bytes(again.shots), Bytes(stage.shots));
    EXPECT_EQ(Bytes(again.moves), Bytes(stage.moves));
    EXPECT_EQ(again.bossHpByte, 7);
}

TEST(StagecDecompile, TrailingBytesAreKeptAndReported) {
    stagec::StageData stage;
    stage.bossHpByte = 1;
    stage.shots = {1, 2, 3, 4, 5, 6, 7, 8};  // two entries and two left over
    stage.moves = {0, 20, 9};                // one entry and one left over
    std::string notes;
    const std::string text = stagec::DecompileStage(stage, &notes);
    EXPECT_NE(text.find("shot-tail 7 8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("move-tail 9\n"), std::string::npos) << text;
    EXPECT_NE(notes.find("2 byte(s) that do not make a whole 3-byte entry"), std::string::npos)
        << notes;
    EXPECT_NE(notes.find("1 byte that does not make a whole 2-byte entry"), std::string::npos)
        << notes;
    const stagec::StageData again = CompileOk(text);
    EXPECT_EQ(Bytes(again.shots), Bytes(stage.shots));
    EXPECT_EQ(Bytes(again.moves), Bytes(stage.moves));
}

TEST(StagecDecompile, EmptyStreamsRoundTrip) {
    stagec::StageData stage;
    const stagec::StageData again = CompileOk(stagec::DecompileStage(stage, nullptr));
    EXPECT_TRUE(again.shots.empty());
    EXPECT_TRUE(again.moves.empty());
    EXPECT_EQ(again.bossHpByte, 0);
}

TEST(StagecDecompile, TailsMustEndTheirStream) {
    std::string error = CompileError(std::string(Header) + "shot-tail 1\nshot none none 1\n");
    EXPECT_NE(error.find("bad.txt:3: shot line after the shot-tail of line 2"), std::string::npos)
        << error;
    error = CompileError(std::string(Header) + "shot-tail 1 2 3\n");
    EXPECT_NE(error.find("bad.txt:2: too many fields"), std::string::npos) << error;
    error = CompileError(std::string(Header) + "repeat 2 {\nmove-tail 1\n}\n");
    EXPECT_NE(error.find("bad.txt:3: move-tail cannot stand inside a repeat block"),
              std::string::npos) << error;
}

TEST(StagecDecompile, ReadsAStageBackFromADataFolder) {
    TempDir dir("load");
    WriteFile(dir / "stage1.da1", std::string("\x03\x00\x0A", 3));
    WriteFile(dir / "stage1.da2", std::string("\x00\x14", 2));
    WriteFile(dir / "bshp.dat", std::string("\x05", 1));
    stagec::StageData stage;
    std::string error;
    EXPECT_FALSE(stagec::LoadStageData(1, dir.path(), &stage, &error));
    EXPECT_NE(error.find("bshp.dat: holds 1 byte(s), none for stage 1"), std::string::npos)
        << error;

    WriteFile(dir / "bshp.dat", std::string("\x05\x06", 2));
    ASSERT_TRUE(stagec::LoadStageData(1, dir.path(), &stage, &error)) << error;
    EXPECT_EQ(stage.bossHpByte, 6);
    EXPECT_EQ(Bytes(stage.shots), std::string("\x03\x00\x0A", 3));

    EXPECT_FALSE(stagec::LoadStageData(2, dir.path(), &stage, &error));
    EXPECT_NE(error.find("stage2.da1: cannot open for reading"), std::string::npos) << error;
}

// ---------------------------------------------------------------- building a data folder

TEST(StagecBuild, WritesEveryFileOfTheDataFolder) {
    TempDir src("build_src");
    TempDir out("build_out");
    WriteFile(src / "stage0.txt", "boss-hp 1500\nshot depth.aim-slow none 1\nmove boss.stop 2\n");
    WriteFile(src / "stage1.txt", "boss-hp 127500\nshot flat.clear none 0.05\n");
    WriteFile(src / "notes.md", "not a stage");
    int count = 0;
    std::string error;
    ASSERT_TRUE(stagec::BuildStages(src.path(), out.path(), &count, &error)) << error;
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ReadFile(out / "stageno.txt"), "01");
    EXPECT_EQ(ReadFile(out / "bshp.dat"), std::string("\x03\xFF", 2));
    EXPECT_EQ(ReadFile(out / "stage0.da1"), std::string("\x01\x00\x14", 3));
    EXPECT_EQ(ReadFile(out / "stage0.da2"), std::string("\x00\x28", 2));
    EXPECT_EQ(ReadFile(out / "stage1.da1"), std::string("\x63\x00\x01", 3));
    EXPECT_EQ(ReadFile(out / "stage1.da2"), "");
}

TEST(StagecBuild, RefusesGapsStrayNamesAndBadSourcesWithoutWriting) {
    TempDir src("refuse_src");
    TempDir out("refuse_out");
    std::string error;
    EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
    EXPECT_NE(error.find("no stage sources"), std::string::npos) << error;

    WriteFile(src / "stage0.txt", "boss-hp 500\n");
    WriteFile(src / "stage2.txt", "boss-hp 500\n");
    EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
    EXPECT_NE(error.find("stage1.txt: missing"), std::string::npos) << error;

    WriteFile(src / "stage1.txt", "boss-hp 500\nshot nonsense none 1\n");
    EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
    EXPECT_NE(error.find("stage1.txt:2: unknown code name 'nonsense'"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(out.path()));

    WriteFile(src / "stage1.txt", "boss-hp 500\n");
    WriteFile(src / "stage01.txt", "boss-hp 500\n");
    EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
    EXPECT_NE(error.find("stage01.txt: a stage source is named stageN.txt"), std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST(StagecBuild, CommandLineCompilesAndDecompiles) {
    TempDir dir("cli");
    WriteFile(dir / "s.txt", "boss-hp 2500\nshot flat.ring8-slow none 0.5\nmove 99 1\n");
    const std::string src = dir / "s.txt";
    const std::string prefix = dir / "stage0";
    const std::string outText = dir / "back.txt";
    char tool[] = "grazerunner-stagec";
    char compile[] = "compile";
    char decompile[] = "decompile";
    char help[] = "--help";
    char bogus[] = "bogus";
    char zero[] = "0";
    char dashO[] = "-o";
    std::vector<char> srcArg(src.begin(), src.end()), prefixArg(prefix.begin(), prefix.end()),
        dirArg(dir.path().begin(), dir.path().end()), outArg(outText.begin(), outText.end());
    srcArg.push_back(0);
    prefixArg.push_back(0);
    dirArg.push_back(0);
    outArg.push_back(0);

    char* compileArgs[] = {tool, compile, srcArg.data(), prefixArg.data()};
    testing::internal::CaptureStdout();
    ASSERT_EQ(stagec::RunStagec(4, compileArgs), 0);
    std::fflush(stdout);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("1 shot entry"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "stage0.da1"), std::string("\x5C\x00\x0A", 3));
    EXPECT_EQ(ReadFile(dir / "stage0.da2"), std::string("\x63\x14", 2));

    // No bshp.dat yet: decompiling says so and fails.
    char* decompileArgs[] = {tool, decompile, zero, dirArg.data(), dashO, outArg.data()};
    testing::internal::CaptureStderr();
    EXPECT_EQ(stagec::RunStagec(6, decompileArgs), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("bshp.dat: cannot open for reading"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(outText));
    WriteFile(dir / "bshp.dat", std::string("\x05", 1));
    ASSERT_EQ(stagec::RunStagec(6, decompileArgs), 0);
    stagec::StageData back;
    std::string error;
    ASSERT_TRUE(stagec::CompileStageFile(outText, &back, &error)) << error;
    EXPECT_EQ(Bytes(back.shots), std::string("\x5C\x00\x0A", 3));
    EXPECT_EQ(Bytes(back.moves), std::string("\x63\x14", 2));
    EXPECT_EQ(back.bossHpByte, 5);

    char* helpArgs[] = {tool, help};
    testing::internal::CaptureStdout();
    EXPECT_EQ(stagec::RunStagec(2, helpArgs), 0);
    std::fflush(stdout);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("decompile N DATA_DIR"),
              std::string::npos);
    char* bogusArgs[] = {tool, bogus};
    testing::internal::CaptureStderr();
    EXPECT_EQ(stagec::RunStagec(2, bogusArgs), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unknown command 'bogus'"),
              std::string::npos);
}

// ---------------------------------------------------------------- the estimate

TEST(StagecEstimate, AStillBossFallsAtTheVolleysFullRate) {
    // Straight under a boss standing at (120, 50) every upward shot hits:
    // character 0 lands 3 x 9 points per 0.1111 s volley, 243 points a
    // second, so 10000 points last about 41 s (plus the first shot's flight).
    stagec::StageData stage = CompileOk("boss-hp 10000\nmove boss.stop 1\n");
    const double seconds = stagec::EstimateBossSeconds(stage, 0, 600);
    EXPECT_NEAR(seconds, 10000.0 / (27 / 0.1111), 1.0);
    // A boss that races about at 400 px/s is harder to stay under.
    stagec::StageData racing = CompileOk(
        "boss-hp 10000\nmove boss.down-right-400 0.5\nmove boss.up-right-400 0.5\n");
    EXPECT_GT(stagec::EstimateBossSeconds(racing, 0, 600), seconds * 1.2);
    EXPECT_EQ(stagec::EstimateBossSeconds(stage, 0, 10), -1);
}
