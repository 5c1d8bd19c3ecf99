// The simulator: the game's own start-up, message loop, frame step, scenes
// and engine on the scripted platform, driven by a script of directives.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace sim {

// Exit status of a run.
constexpr int AllRan = 0;
constexpr int ExpectFailed = 1;
constexpr int ScriptWrong = 2;

// Runs a whole script read from `in`; `name` names it in messages. Results
// (call results, dumps, failed expectations) go to `out`, script errors to
// `err`. `defaultRoot` is the program folder when the script names none.
int RunScript(std::istream& in, const std::string& name, const std::string& defaultRoot,
              std::ostream& out, std::ostream& err);

// The directives, for --help.
const char* HelpText();

// Plays each replay file again headless (no picture, no sound; its stage
// files from the replay) and prints one line for it: its result line and
// "ok", or what is wrong. A folder stands for every *.grr file in it. 0 when
// every file verifies, 1 otherwise.
int VerifyReplays(const std::vector<std::string>& files, std::ostream& out);

// Tells what moved between two recordings of a game in one line: 1 when its
// result or its checkpoints did (the play moved), else 0 (its input alone
// may differ); 2 when a file cannot be read.
int CompareReplays(const std::string& before, const std::string& after, std::ostream& out);

// Plays `count` games with random inputs (seeded by `seed`) one after
// another through the game's loop and menus, pictures and sounds from
// `root`/data/, and keeps each one's replay as `folder`/game-NNNNN.grr.
// Prints one line of totals; AllRan, or ExpectFailed when a game does not
// end or its replay is not kept (ScriptWrong: the folders will not do).
int PlayRandomGames(int count, uint32_t seed, const std::string& folder, const std::string& root,
                    std::ostream& out, std::ostream& err);

}  // namespace sim
