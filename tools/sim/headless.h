// The game headless in this process: the scripted platform in place of the
// machine, every game and engine value as at process start, and a folder as
// both the program folder and the working directory (pictures and sounds
// from FOLDER/data/, stage files from data/, point.txt in FOLDER), or a
// working directory of its own. The
// simulator runs its scripts in one; the stage compiler's estimate plays
// stages in one. Only one may exist at a time: they share the game's state.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

class Headless {
public:
    // Takes over the game's state and moves into `folder` (or into
    // `workingFolder` when one is given); ok() says whether it could be
    // entered.
    explicit Headless(const std::string& folder, const std::string& workingFolder = "");
    // Lets go of the display and sound if they are open, zeroes the game's
    // state (closing its files) and goes back to the earlier working folder.
    ~Headless();
    Headless(const Headless&) = delete;
    Headless& operator=(const Headless&) = delete;

    bool ok() const { return ok_; }

private:
    std::filesystem::path previous_;
    bool ok_ = false;
};

}  // namespace sim
