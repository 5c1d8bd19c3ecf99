// grazerunner-stagec: the stage compiler. It turns the text form of a stage
// (stages/stageN.txt) into the two script files the game reads, and any
// script files back into text.
//
//   stageN.da1  the shot stream: 3-byte entries (code, code, delay in 1/20 s)
//   stageN.da2  the boss stream: 2-byte entries (code, delay in 1/20 s)
//   bshp.dat    one byte per stage: the boss's hit points / 500
//   stageno.txt the number of the last stage as two digits
//
// The text form is described in stages/README.md. Every function here
// reports a problem through its result (1 ok, 0 failed) and a message; none
// of them exits or throws on bad input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stagec {

// The three code families. Shot lines take depth and flat codes (the game
// sends codes below 50 to the depth patterns, the rest to the flat ones);
// move lines take boss codes.
enum CodeFamily { FamilyDepth = 0, FamilyFlat = 1, FamilyBoss = 2 };

// One compiled stage: the raw bytes of its two streams and its boss byte.
struct StageData {
    std::vector<uint8_t> shots;  // .da1 bytes
    std::vector<uint8_t> moves;  // .da2 bytes
    int bossHpByte = 0;          // the stage's bshp.dat byte, 0..255
};

constexpr int BossHpUnit = 500;        // points per bshp.dat step
constexpr int MaxDelayTicks = 255;     // 12.75 s in twentieths of a second
constexpr int ShotEntryBytes = 3;
constexpr int MoveEntryBytes = 2;
constexpr int MaxStages = 100;         // stageno.txt holds two digits
constexpr int MaxStreamEntries = 100000;  // a guard against runaway repeats

// ---- code names (stage_codes.cpp) ----

// The readable name of a code of one family ("depth.aim-slow"), or nullptr
// when the code does nothing in that family (it is then written as a number).
const char* CodeName(CodeFamily family, int code);

// A few words on what a code does, told from the game's own tables; empty
// when the code has no name.
std::string CodeDescription(CodeFamily family, int code);

// Looks up a name of any family (case-insensitive). 1 and the family and code
// when known, 0 otherwise.
int FindCodeName(const std::string& name, CodeFamily* family, int* code);

// The known name closest to a misspelt one, for "did you mean" hints; empty
// when nothing is close.
std::string ClosestCodeName(const std::string& name);

// ---- text form (stage_text.cpp) ----

// Compiles the text of one stage. `fileName` only names the source in
// messages, which read "FILE:LINE: what is wrong". 1 ok, 0 with `error` set.
int CompileStageText(const std::string& fileName, const std::string& text,
                     StageData* out, std::string* error);

// Writes a stage back as text that compiles to the same bytes. Streams whose
// length is not a whole number of entries end in a shot-tail / move-tail line
// holding the left-over bytes; `notes` (may be null) gets a human remark
// about each such oddity, empty when there is none.
std::string DecompileStage(const StageData& stage, std::string* notes);

// Twentieths of a second as seconds with two decimals: 30 -> "1.50".
std::string FormatDelay(int ticks);

// Parses seconds into twentieths ("1.50" -> 30). 1 ok, 0 with a message.
int ParseDelay(const std::string& text, int* ticks, std::string* error);

// ---- files (stage_files.cpp) ----

// Reads a whole file. 1 ok, 0 with `error` naming the file.
int ReadWholeFile(const std::string& path, std::string* out, std::string* error);

// Writes a whole file. 1 ok, 0 with `error` naming the file.
int WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error);

// Compiles one source file.
int CompileStageFile(const std::string& path, StageData* out, std::string* error);

// Compiles every stage source of a folder (stage0.txt .. stageN.txt, no
// gaps; any other .txt there is an error) and writes stageK.da1/.da2 for
// each, bshp.dat and stageno.txt into `outDir`. Nothing is written unless
// every source compiles. `stageCount` (may be null) gets N + 1.
int BuildStages(const std::string& stagesDir, const std::string& outDir,
                int* stageCount, std::string* error);

// Reads stage `stageNo` back from a data folder (its .da1, .da2 and its
// byte of bshp.dat). 1 ok, 0 with `error`.
int LoadStageData(int stageNo, const std::string& dataDir, StageData* out, std::string* error);

// ---- estimate (stage_estimate.cpp) ----

// Seconds of STANDARD play that a player needs to beat the stage's boss when
// they stay at the bottom of the field and keep under the boss, never
// dodging; -1 if the boss survives `limitSeconds`. Only the boss stream and
// the hit points count. `character` is 0, 1 or 2.
double EstimateBossSeconds(const StageData& stage, int character, double limitSeconds);

// ---- command line (stage_cli.cpp) ----

// The tool's main: argc/argv as given to main, messages to stdout/stderr.
// Returns the process exit code.
int RunStagec(int argc, char** argv);

}  // namespace stagec
