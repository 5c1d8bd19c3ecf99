// The desktop layer's own rules, checked without a window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ktDraw.h"
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

intptr_t NoProcedure(uint32_t, uintptr_t, intptr_t) { return 0; }

// The desktop layer's display on a real X display (ctest runs this under
// Xvfb as sdl.display, where no renderer has vertical sync).
class DesktopDisplay : public ::testing::Test {
protected:
    ktDraw::Picture* picture = nullptr;
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !std::getenv("DISPLAY")[0]) GTEST_SKIP() << "no X display";
        ASSERT_EQ(ktPlatform::Sys.CreateMainWindow("test", NoProcedure), 1);
        ASSERT_EQ(ktPlatform::Sys.OpenDisplay(320, 240), ktPlatform::DisplayReady);
        picture = ktDraw::NewPicture(320, 240);
    }
    void TearDown() override {
        ktDraw::FreePicture(picture);
        ktPlatform::Sys.CloseDisplay();
        ktPlatform::Sys.DestroyMainWindow();
    }
};

// Without vertical sync a picture would be shown in well under a
// millisecond, and frames that measure 0 s run the game many times too
// fast: pictures are paced to the monitor's refresh (60 a second here).
TEST_F(DesktopDisplay, PicturesComeNoFasterThanTheMonitorShowsThem) {
    ktPlatform::Sys.Present(picture);
    const uint32_t start = SDL_GetTicks();
    for (int i = 0; i < 30; i++) ktPlatform::Sys.Present(picture);
    EXPECT_GE(SDL_GetTicks() - start, 30u * 12u);  // three quarters of a refresh at the least
}

// A renderer that lost its device makes its picture anew and asks for the
// last frame again; the picture is still shown afterwards.
TEST_F(DesktopDisplay, ADeviceResetAsksForTheLastPictureAgain) {
    ktPlatform::Message message{};
    while (ktPlatform::Sys.NextEvent(&message, 0)) {
    }
    SDL_Event reset{};
    reset.type = SDL_RENDER_DEVICE_RESET;
    ASSERT_EQ(SDL_PushEvent(&reset), 1);
    int painted = 0;
    while (ktPlatform::Sys.NextEvent(&message, 0)) painted += message.message == ktPlatform::WM_PAINT;
    EXPECT_EQ(painted, 1);
    SDL_ClearError();
    ktPlatform::Sys.Present(picture);
    EXPECT_STREQ(SDL_GetError(), "");
}

}  // namespace
