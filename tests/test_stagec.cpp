// The stage compiler: the shipped stages, the text form's errors, the
// decompiler, the build of the data folder and the boss-time estimate.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "stagec.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using testutil::ReadText;
using testutil::ScratchFolder;

constexpr int ShippedStages = 5;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A shipped stage, compiled from stages/stageN.txt.
stagec::StageData Shipped(int n) {
    const std::string path = std::string(GRAZE_SOURCE_DIR) + "/stages/stage" + std::to_string(n) + ".txt";
    stagec::StageData stage;
    std::string error;
    EXPECT_TRUE(stagec::CompileStageFile(path, &stage, &error)) << error;
    return stage;
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
    EXPECT_FALSE(stagec::CompileStageText(fileName, text, &stage, &error)) << "accepted:\n" << text;
    return error;
}

void ExpectSameStreams(const stagec::StageData& a, const stagec::StageData& b) {
    EXPECT_EQ(Bytes(a.shots), Bytes(b.shots));
    EXPECT_EQ(Bytes(a.moves), Bytes(b.moves));
    EXPECT_EQ(a.bossHpByte, b.bossHpByte);
}

// Runs the tool's command line; its exit status, with what it printed.
int RunTool(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
    args.insert(args.begin(), "grazerunner-stagec");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = stagec::RunStagec(int(argv.size()), argv.data());
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout();
    const std::string complaints = testing::internal::GetCapturedStderr();
    if (out) *out = printed;
    if (err) *err = complaints;
    return status;
}

}  // namespace

// ---------------------------------------------------------------- the shipped stages

TEST(StagecStages, EveryStageRoundTripsAndTheDataFolderHoldsIt) {
    const std::string data = GRAZE_DATA_DIR;
    EXPECT_EQ(ReadText(data + "/stageno.txt"), "04");
    const std::string boss = ReadText(data + "/bshp.dat");
    ASSERT_EQ(boss.size(), 5u);
    for (int n = 0; n < ShippedStages; n++) {
        SCOPED_TRACE("stage " + std::to_string(n));
        const stagec::StageData stage = Shipped(n);
        std::string notes;
        ExpectSameStreams(CompileOk(stagec::DecompileStage(stage, &notes)), stage);
        EXPECT_EQ(notes, "");
        // The data folder holds exactly what the sources say.
        EXPECT_EQ(ReadText(data + "/stage" + std::to_string(n) + ".da1"), Bytes(stage.shots));
        EXPECT_EQ(ReadText(data + "/stage" + std::to_string(n) + ".da2"), Bytes(stage.moves));
        EXPECT_EQ(uint8_t(boss[size_t(n)]), stage.bossHpByte);
        EXPECT_GT(stage.bossHpByte, 0);
    }
    EXPECT_FALSE(fs::exists(data + "/stage5.da1"));
}

TEST(StagecStages, TogetherTheStagesUseEveryCode) {
    std::set<int> depth, flat, boss;
    for (int n = 0; n < ShippedStages; n++) {
        const stagec::StageData stage = Shipped(n);
        for (size_t i = 0; i + 3 <= stage.shots.size(); i += 3)
            for (int k = 0; k < 2; k++) (stage.shots[i + k] < 50 ? depth : flat).insert(stage.shots[i + k]);
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
        const stagec::StageData stage = Shipped(n);
        double total = 0;
        for (int character = 0; character < 3; character++) total += stagec::EstimateBossSeconds(stage, character, 600);
        EXPECT_GT(total / 3, 40) << n;
        EXPECT_LT(total / 3, 120) << n;
        EXPECT_GT(total / 3, previous) << n;
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
    for (const auto& [text, ticks] : {std::pair{"0", 0}, {"1.500", 30}, {"12.75", 255}, {".05", 1}}) {
        int parsed = -1;
        std::string error;
        EXPECT_TRUE(stagec::ParseDelay(text, &parsed, &error)) << text;
        EXPECT_EQ(parsed, ticks) << text;
    }
    for (const char* text : {"0.051", "1.2.3", ""}) {
        int parsed = -1;
        std::string error;
        EXPECT_FALSE(stagec::ParseDelay(text, &parsed, &error)) << text;
    }
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
    for (stagec::CodeFamily family : {stagec::FamilyDepth, stagec::FamilyFlat, stagec::FamilyBoss}) {
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
}

// ---------------------------------------------------------------- refused sources

TEST(StagecErrors, EveryMistakeIsNamedWithFileAndLine) {
    const std::string h = "boss-hp 1000\n";
    const struct {
        std::string text, message;
    } cases[] = {
        {h + "\nshot depth.aim-slwo none 1.00\n",
         "bad.txt:3: unknown code name 'depth.aim-slwo' (did you mean depth.aim-slow?)"},
        {h + "shot none none 12.80\n", "bad.txt:2: delay 12.80 is too long"},
        {h + "shot none none 0.03\n", "bad.txt:2: delay 0.03 is not a multiple of 0.05"},
        {h + "move boss.stop -1\n", "bad.txt:2: delay -1 is negative"},
        {h + "move boss.stop soon\n", "bad.txt:2: delay 'soon' is not a number"},
        {h + "shot 256 none 1\n", "bad.txt:2: number 256 is out of range"},
        {h + "move -1 1\n", "bad.txt:2: number -1 is out of range"},
        {h + "\nshot depth.aim-slow 1.00\n", "bad.txt:3: missing field"},
        {h + "move boss.stop\n", "bad.txt:2: missing field"},
        {"boss-hp\n", "bad.txt:1: missing field"},
        {h + "move boss.stop 1 2\n", "bad.txt:2: too many fields ('2' is extra)"},
        {h + "shot boss.stop none 1\n", "bad.txt:2: boss.stop is a boss move; it belongs on a move line"},
        {h + "move flat.aim-slow 1\n", "bad.txt:2: flat.aim-slow is a shot pattern"},
        {h + "move none 1\n", "bad.txt:2: 'none' belongs on shot lines"},
        {"boss-hp 20100\n", "bad.txt:1: boss-hp 20100 is not a multiple of 500"},
        {"boss-hp 128000\n", "bad.txt:1: boss-hp 128000 is out of range"},
        {"boss-hp 500\nboss-hp 1000\n", "bad.txt:2: boss-hp given twice (first on line 1)"},
        {"shot none none 1\n", "bad.txt: no boss-hp line"},
        {h + "shoot none none 1\n", "bad.txt:2: unknown keyword 'shoot'"},
        {h + "\x01\xFF\x7F garbage\n", "bad.txt:2: unknown keyword '\\x01\\xFF\\x7F'"},
        {h + "depth.aim-slow none 1\n", "bad.txt:2: a line starts with its keyword"},
        {h + "repeat 2 {\nshot none none 1\n", "bad.txt:2: repeat block is never closed"},
        {h + "}\n", "bad.txt:2: '}' without an open repeat block"},
        {h + "repeat 0 {\n}\n", "bad.txt:2: repeat count 0 is out of range"},
        {h + "repeat 1000 {\nrepeat 1000 {\nshot none none 1\n}\n}\n", "bad.txt:6: a stream grows beyond"},
        {h + "shot-tail 1\nshot none none 1\n", "bad.txt:3: shot line after the shot-tail of line 2"},
        {h + "shot-tail 1 2 3\n", "bad.txt:2: too many fields"},
        {h + "repeat 2 {\nmove-tail 1\n}\n", "bad.txt:3: move-tail cannot stand inside a repeat block"},
    };
    for (const auto& c : cases) {
        const std::string error = CompileError(c.text);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << "\n" << error;
    }
}

TEST(StagecErrors, MissingOrEmptySourceFilesAreRefused) {
    const ScratchFolder dir;
    stagec::StageData stage;
    std::string error;
    EXPECT_FALSE(stagec::CompileStageFile(dir / "nothing.txt", &stage, &error));
    EXPECT_NE(error.find("nothing.txt: cannot open for reading"), std::string::npos) << error;
    EXPECT_FALSE(stagec::CompileStageFile(dir.Write("empty.txt", ""), &stage, &error));
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
    for (const char* part : {"boss-hp 3500\n", "shot none", "depth.cross-slow", "2.00\n", "shot 150", " 101 ",
                             "move boss.home-centre-1s", "move 200", "12.75\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
    ExpectSameStreams(CompileOk(text), stage);
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
    EXPECT_NE(notes.find("2 byte(s) that do not make a whole 3-byte entry"), std::string::npos) << notes;
    EXPECT_NE(notes.find("1 byte that does not make a whole 2-byte entry"), std::string::npos) << notes;
    ExpectSameStreams(CompileOk(text), stage);
    ExpectSameStreams(CompileOk(stagec::DecompileStage(stagec::StageData{}, nullptr)), stagec::StageData{});
}

TEST(StagecDecompile, ReadsAStageBackFromADataFolder) {
    const ScratchFolder dir;
    dir.Write("stage1.da1", std::string("\x03\x00\x0A", 3));
    dir.Write("stage1.da2", std::string("\x00\x14", 2));
    dir.Write("bshp.dat", "\x05");
    stagec::StageData stage;
    std::string error;
    EXPECT_FALSE(stagec::LoadStageData(1, dir.path(), &stage, &error));
    EXPECT_NE(error.find("bshp.dat: holds 1 byte(s), none for stage 1"), std::string::npos) << error;
    dir.Write("bshp.dat", "\x05\x06");
    ASSERT_TRUE(stagec::LoadStageData(1, dir.path(), &stage, &error)) << error;
    EXPECT_EQ(stage.bossHpByte, 6);
    EXPECT_EQ(Bytes(stage.shots), std::string("\x03\x00\x0A", 3));
    EXPECT_FALSE(stagec::LoadStageData(2, dir.path(), &stage, &error));
    EXPECT_NE(error.find("stage2.da1: cannot open for reading"), std::string::npos) << error;
}

// ---------------------------------------------------------------- building a data folder

TEST(StagecBuild, WritesEveryFileOfTheDataFolder) {
    const ScratchFolder src, out(testutil::TestName() + "-out");
    src.Write("stage0.txt", "boss-hp 1500\nshot depth.aim-slow none 1\nmove boss.stop 2\n");
    src.Write("stage1.txt", "boss-hp 127500\nshot flat.clear none 0.05\n");
    src.Write("notes.md", "not a stage");
    int count = 0;
    std::string error;
    ASSERT_TRUE(stagec::BuildStages(src.path(), out.path(), &count, &error)) << error;
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ReadText(out / "stageno.txt"), "01");
    EXPECT_EQ(ReadText(out / "bshp.dat"), std::string("\x03\xFF", 2));
    EXPECT_EQ(ReadText(out / "stage0.da1"), std::string("\x01\x00\x14", 3));
    EXPECT_EQ(ReadText(out / "stage0.da2"), std::string("\x00\x28", 2));
    EXPECT_EQ(ReadText(out / "stage1.da1"), std::string("\x63\x00\x01", 3));
    EXPECT_EQ(ReadText(out / "stage1.da2"), "");
}

TEST(StagecBuild, RefusesGapsStrayNamesAndBadSourcesWithoutWriting) {
    const ScratchFolder src, out(testutil::TestName() + "-out");
    auto expectRefused = [&](const char* message) {
        std::string error;
        EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_TRUE(fs::is_empty(out.path()));
    };
    expectRefused("no stage sources");
    src.Write("stage0.txt", "boss-hp 500\n");
    src.Write("stage2.txt", "boss-hp 500\n");
    expectRefused("stage1.txt: missing");
    src.Write("stage1.txt", "boss-hp 500\nshot nonsense none 1\n");
    expectRefused("stage1.txt:2: unknown code name 'nonsense'");
    src.Write("stage1.txt", "boss-hp 500\n");
    src.Write("stage01.txt", "boss-hp 500\n");
    expectRefused("stage01.txt: a stage source is named stageN.txt");
}

TEST(StagecBuild, CommandLineCompilesAndDecompiles) {
    const ScratchFolder dir;
    const std::string src = dir.Write("s.txt", "boss-hp 2500\nshot flat.ring8-slow none 0.5\nmove 99 1\n");
    std::string out, err;
    ASSERT_EQ(RunTool({"compile", src, dir / "stage0"}, &out), 0);
    EXPECT_NE(out.find("1 shot entry"), std::string::npos) << out;
    EXPECT_EQ(ReadText(dir / "stage0.da1"), std::string("\x5C\x00\x0A", 3));
    EXPECT_EQ(ReadText(dir / "stage0.da2"), std::string("\x63\x14", 2));
    // No bshp.dat yet: decompiling says so and fails.
    EXPECT_EQ(RunTool({"decompile", "0", dir.path(), "-o", dir / "back.txt"}, nullptr, &err), 1);
    EXPECT_NE(err.find("bshp.dat: cannot open for reading"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "back.txt"));
    dir.Write("bshp.dat", "\x05");
    ASSERT_EQ(RunTool({"decompile", "0", dir.path(), "-o", dir / "back.txt"}), 0);
    stagec::StageData back;
    std::string error;
    ASSERT_TRUE(stagec::CompileStageFile(dir / "back.txt", &back, &error)) << error;
    EXPECT_EQ(Bytes(back.shots), std::string("\x5C\x00\x0A", 3));
    EXPECT_EQ(Bytes(back.moves), std::string("\x63\x14", 2));
    EXPECT_EQ(back.bossHpByte, 5);

    EXPECT_EQ(RunTool({"--help"}, &out), 0);
    EXPECT_NE(out.find("decompile N DATA_DIR"), std::string::npos) << out;
    EXPECT_EQ(RunTool({"bogus"}, nullptr, &err), 2);
    EXPECT_NE(err.find("unknown command 'bogus'"), std::string::npos) << err;
}

// ---------------------------------------------------------------- the estimate

TEST(StagecEstimate, AStillBossFallsAtTheVolleysFullRate) {
    // Straight under a boss standing at (120, 50) every upward shot hits:
    // character 0 lands 3 x 9 points per 0.1111 s volley, 243 points a
    // second, so 10000 points last about 41 s (plus the first shot's flight).
    const stagec::StageData stage = CompileOk("boss-hp 10000\nmove boss.stop 1\n");
    const double seconds = stagec::EstimateBossSeconds(stage, 0, 600);
    EXPECT_NEAR(seconds, 10000.0 / (27 / 0.1111), 1.0);
    // A boss that races about at 400 px/s is harder to stay under.
    const stagec::StageData racing =
        CompileOk("boss-hp 10000\nmove boss.down-right-400 0.5\nmove boss.up-right-400 0.5\n");
    EXPECT_GT(stagec::EstimateBossSeconds(racing, 0, 600), seconds * 1.2);
    EXPECT_EQ(stagec::EstimateBossSeconds(stage, 0, 10), -1);
}
