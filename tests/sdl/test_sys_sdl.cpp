// The desktop layer's own rules, checked without a window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform.h"
#include "../test_support.h"

namespace fs = std::filesystem;

namespace {

// The desktop's rule for the player's data folder, on the SDL layer.
TEST(PlayersDataFolder, FromXdgDataHomeElseHomeMadeWhenAsked) {
    const testutil::ScratchFolder scratch;
    const std::string file = scratch.Write("file", "");
    const struct {
        const char* xdg;   // XDG_DATA_HOME, or null for unset
        const char* home;  // HOME, or null for unset
        std::string folder;  // the answer, "" for none
    } cases[] = {
        {"/x/data", "/x/home", scratch / "x/data/grazerunner/"},
        {nullptr, "/x/home", scratch / "x/home/.local/share/grazerunner/"},
        {"", "/x/home", scratch / "x/home/.local/share/grazerunner/"},
        {"relative", "/x/home", scratch / "x/home/.local/share/grazerunner/"},
        {nullptr, nullptr, ""},
        {"/file", "/x/home", ""},  // under a file: cannot be made
    };
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    auto put = [&](const char* name, const char* value) {  // a value starting with '/' is under the scratch folder
        if (!value) return void(unsetenv(name));
        setenv(name, (value[0] == '/' ? scratch.path() + value : std::string(value)).c_str(), 1);
    };
    for (const auto& c : cases) {
        put("XDG_DATA_HOME", c.xdg);
        put("HOME", c.home);
        const char* answer = ktPlatform::Sys.UserDataFolder();
        EXPECT_EQ(answer ? std::string(answer) : "", c.folder) << (c.xdg ? c.xdg : "unset");
        EXPECT_TRUE(!answer || fs::is_directory(answer));
    }
    oldXdg ? setenv("XDG_DATA_HOME", savedXdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    oldHome ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

}  // namespace
