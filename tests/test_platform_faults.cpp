// Faults of the machine rather than of the data: no sound card, a display
// that cannot open and a window that cannot be created. Each game runs
// through the real loop with the real data. (No pad at all is how the
// damaged-data games run; a pad pulled out is PlayerTest's and SystemTest's;
// losing activation is tests/scenarios/pause.sim; a display that loses its
// pictures is DrawTest's.)
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "game_fixture.h"

namespace {

using namespace ktPlatform;
using ktScript::State;
namespace fs = std::filesystem;

using PlatformFaultTest = GameTest;

// Without an audio device the game is silent: no box, and every sound
// load gives 0. A display that cannot be opened: its box, then a box for
// every picture (there is nothing to load them into) and for every swap,
// and silence (sound opens with the display); nothing is shown. Either way
// the whole loop runs from the title through a stage, with bombs and the
// reverse action asking for sounds, to the results.
TEST_F(PlatformFaultTest, NoAudioDeviceOrNoDisplayStillRunsTheWholeGame) {
    for (const bool noDisplay : {false, true}) {
        StartAfresh();
        State.audioFails = !noDisplay, State.displayFails = noDisplay;
        ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        EXPECT_EQ(std::tuple(ktSound::SoundAvailable, State.audioOpen, ShotSound + LaserSound + StageMusic), std::tuple(0, 0, 0));
        ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, noDisplay));
        ktScript::PressKey(VK_X);
        ktScript::PressKey(VK_C);
        EXPECT_EQ(Play(300), 300);
        EXPECT_EQ(std::tuple(StageTime > 7.0f, ReverseStock < 2), std::tuple(true, true));  // the reverse action ran
        const std::string line = FinishGame();
        EXPECT_TRUE(std::regex_match(line, std::regex(std::string("STAGE 4 MAXCOMBO [0-9]+ POINT [0-9]+ ") +
                                                      (noDisplay ? "N:BRIONY" : "N:ASTER") + " M:STANDARD\n"))) << line;
        std::vector<std::string> boxes;
        if (noDisplay) {
            boxes.push_back("ktDraw::Screen : DirectDrawが使用できません");
            boxes.insert(boxes.end(), 5, "ktDraw::LoadObject : BMPファイルを読み込めません");
            // The mode and character pictures, the five stage pictures and
            // the title picture again.
            boxes.insert(boxes.end(), 8, "ktDraw::SwapObject : BMPファイルを読み込めません");
        }
        EXPECT_EQ(std::tuple(State.boxes, State.sounds.size(), State.mix, State.presents > 0),
                  std::tuple(boxes, size_t(0), nullptr, !noDisplay));
    }
}

// A window that cannot be created ends the program at once with status 1:
// no display, no sound, no pictures, no frame, no box.
TEST_F(PlatformFaultTest, WindowThatCannotBeCreatedEndsTheProgramWithOne) {
    LinkRealData();
    State.windowFails = 1;
    ktScript::PressKey(VK_ESCAPE);  // ends a loop that should never have started
    EXPECT_EQ(ktSystem::WinMain(GameEntryPoints), 1);
    EXPECT_EQ(std::tuple(ktSystem::MainWindow, State.displayOpen, State.audioOpen, State.imeEnabled, State.presents),
              std::tuple(0, 0, 0, 1, 0));
    EXPECT_EQ(std::tuple(State.boxes.size(), ktSystem::SceneId, ktDraw::DisplayOpen, ktSound::SoundAvailable),
              std::tuple(size_t(0), 0, 0, 0));
    EXPECT_FALSE(fs::exists(folder + "/point.txt"));
}

}  // namespace
