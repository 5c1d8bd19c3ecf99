// Nothing is allocated during play: a thousand frames of a busy stage, run
// through the game's own loop with real data, count no heap allocation at
// all. Only the game's calls are counted (handling the queued messages and
// the frame); the test's own key changes around them are not.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <tuple>

#include "../game_fixture.h"
#include "alloc_count.h"
#include "replay.h"

namespace {

using namespace ktPlatform;

constexpr const char* SkipReason =
    "AddressSanitizer owns malloc in this build; the allocation count runs in the release build";

// Calls through volatile pointers, which the compiler cannot leave out.
void* (*volatile CallMalloc)(size_t) = std::malloc;
void* (*volatile CallCalloc)(size_t, size_t) = std::calloc;
void* (*volatile CallRealloc)(void*, size_t) = std::realloc;
void* (*volatile CallNew)(size_t) = static_cast<void* (*)(size_t)>(&::operator new);
void* (*volatile CallNewArray)(size_t) = static_cast<void* (*)(size_t)>(&::operator new[]);

TEST(AllocCount, CountsEveryKindOfAllocationOnlyWhileOn) {
    if (!alloccount::Available) GTEST_SKIP() << SkipReason;
    alloccount::Reset();
    void* before = CallMalloc(8);  // not counted: the count is off
    alloccount::Start();
    void* a = CallMalloc(40);
    void* b = CallCalloc(3, 8);
    void* c = CallRealloc(CallRealloc(nullptr, 16), 4096);
    void* d = CallNew(24);
    void* e = CallNewArray(24);
    alloccount::Stop();
    void* after = CallMalloc(8);  // not counted either
    EXPECT_EQ(alloccount::Count(), 6);
    EXPECT_EQ(alloccount::FirstSize(), 40u);
    for (void* p : {before, a, b, c, after}) std::free(p);
    ::operator delete(d);
    ::operator delete[](e);
}

using AllocTest = GameTest;

// STANDARD, the third character (the widest volleys), on the last stage, one
// of the two busiest, across the moment the boss stream starts over at the
// end of its file: random keys, bombs, both reverses.
TEST_F(AllocTest, AThousandFramesOfABusyStageAllocateNothing) {
    if (!alloccount::Available) GTEST_SKIP() << SkipReason;
    LinkRealData();
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_NO_FATAL_FAILURE(MenusIntoPlay(1, 2));
    ASSERT_NO_FATAL_FAILURE(SkipTo(4));
    Lives = 50;  // the stage goes on whatever hits the player takes
    // The boss stream ends 3 s into the stage plus the delays of its entries
    // (each the second byte of two); the count begins 8 s before.
    float bossStreamSeconds = 3.0f;
    const testutil::Bytes stream = testutil::ReadBytes(folder + "/data/stage4.da2");
    for (size_t i = 1; i < stream.size(); i += 2) bossStreamSeconds += float(stream[i]) / 20.0f;
    std::mt19937 random(20240607);
    auto randomKeys = [&] {
        for (int vk : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C})
            if (random() % 8 == 0) ktScript::State.keys[vk] ? ktScript::ReleaseKey(vk) : ktScript::PressKey(vk);
    };
    for (int turn = 0; turn < 10000 && StageTime < bossStreamSeconds - 8.0f; turn++) randomKeys(), Step();
    ASSERT_EQ(std::tuple(ktSystem::SceneId, StageNo, Recording()), std::tuple(1, 4, 1));  // a recorded game
    Bombs = 15, ReverseStock = 2;
    // Scaffolding, not the game: the scripted platform's list of sound calls
    // is a growing list of strings.
    ktPlatform::Sys.SoundCall = nullptr;
    alloccount::Reset();
    int busiest = 0, bombsStarted = 0, reverses = 0, restarts = 0;
    for (int frame = 0; frame < 1000; frame++) {
        randomKeys();
        const int bombsBefore = Bombs, reversesBefore = ReverseStock;
        const long position1 = Script1File ? std::ftell(Script1File) : 0, position2 = Script2File ? std::ftell(Script2File) : 0;
        alloccount::Start();
        int code = 0;
        const int running = ktSystem::DispatchMessages(&code);
        ktScript::State.tick += 16;
        if (running && ktSystem::AppActive) ktSystem::RunFrame();
        alloccount::Stop();
        ASSERT_EQ(running, 1) << "the game quit";
        bombsStarted += Bombs < bombsBefore;
        reverses += ReverseStock < reversesBefore;
        restarts += (Script1File && std::ftell(Script1File) < position1) + (Script2File && std::ftell(Script2File) < position2);
        busiest = std::max(busiest, ActiveIn(DepthShot) + ActiveIn(FlatShot));
    }
    EXPECT_EQ(alloccount::Count(), 0) << "the first allocation asked for " << alloccount::FirstSize() << " bytes";
    // The frames were play frames of a busy stage, with bombs, reverses and
    // a stream starting over.
    EXPECT_EQ(std::tuple(ktSystem::SceneId, StageNo, reverses), std::tuple(1, 4, 2));
    EXPECT_GE(busiest, 15);
    EXPECT_GE(bombsStarted, 3);
    EXPECT_GE(restarts, 1);
    std::printf("1000 frames: %lld allocations, up to %d enemy shots, %d bombs, %d reverses, %d stream restarts\n",
                static_cast<long long>(alloccount::Count()), busiest, bombsStarted, reverses, restarts);
}

}  // namespace
