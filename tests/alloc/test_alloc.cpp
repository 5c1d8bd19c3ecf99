// Nothing is allocated during play: a thousand frames of a busy stage, run
// through the game's own loop with real data, count no heap allocation at
// all. Only the game's calls are counted (handling the queued messages and
// the frame); the test's own key changes around them are not.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <vector>

#include "../game_fixture.h"
#include "alloc_count.h"

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
    void* c = CallRealloc(nullptr, 16);
    c = CallRealloc(c, 4096);
    void* d = CallNew(24);
    void* e = CallNewArray(24);
    alloccount::Stop();
    void* after = CallMalloc(8);  // not counted either
    EXPECT_EQ(alloccount::Count(), 6);
    EXPECT_EQ(alloccount::FirstSize(), 40u);
    std::free(before);
    std::free(a);
    std::free(b);
    std::free(c);
    ::operator delete(d);
    ::operator delete[](e);
    std::free(after);
}

class AllocTest : public GameTest {
protected:
    // The game's own loop for one turn of `ms`, with the count on.
    void CountedTurn(uint32_t ms) {
        alloccount::Start();
        int code = 0;
        const int running = ktSystem::DispatchMessages(&code);
        ktScript::State.tick += ms;
        if (running && ktSystem::AppActive) ktSystem::RunFrame();
        alloccount::Stop();
        ASSERT_EQ(running, 1) << "the game quit";
    }

    void Tap(int vk) {
        ktScript::PressKey(vk);
        Step();
        ktScript::ReleaseKey(vk);
        Step();
    }
};

// Keys of play that the test holds and lets go at random.
constexpr int PlayKeys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C};

int ActiveShots() {
    int n = 0;
    for (const DepthShotEntry& s : DepthShot) n += s.active == 1;
    for (const FlatShotEntry& s : FlatShot) n += s.active == 1;
    return n;
}

TEST_F(AllocTest, AThousandFramesOfABusyStageAllocateNothing) {
    if (!alloccount::Available) GTEST_SKIP() << SkipReason;
    UseRealData();
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();

    // STANDARD, the third character (the widest volleys), then on to the
    // last stage, one of the two busiest, with the skip key.
    Tap(VK_RETURN);
    Tap(VK_Z);
    Tap(VK_DOWN);
    Tap(VK_Z);
    ASSERT_EQ(ktSystem::SceneId, 1);
    ASSERT_EQ(GameMode, 1);
    ASSERT_EQ(Character, 2);
    for (int stage = 1; stage <= 4; stage++) Tap(VK_NUMPAD5);
    ASSERT_EQ(StageNo, 4);
    Lives = 50;  // the stage goes on whatever hits the player takes

    // The counted frames run across the moment the boss stream starts over
    // at the end of its file (3 s into the stage, plus the delays of its
    // entries, each the second byte of two): from 8 s before it.
    float bossStreamSeconds = 3.0f;
    {
        std::ifstream stream(folder + "/data/stage4.da2", std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        for (size_t i = 1; i < bytes.size(); i += 2) bossStreamSeconds += float(uint8_t(bytes[i])) / 20.0f;
    }
    std::mt19937 random(20240607);
    auto randomKeys = [&] {
        for (int vk : PlayKeys)
            if (random() % 8 == 0) {
                if (ktScript::State.keys[vk])
                    ktScript::ReleaseKey(vk);
                else
                    ktScript::PressKey(vk);
            }
    };
    for (int turn = 0; turn < 10000 && StageTime < bossStreamSeconds - 8.0f; turn++) {
        randomKeys();
        Step();
    }
    ASSERT_EQ(ktSystem::SceneId, 1);
    ASSERT_EQ(StageNo, 4);
    Bombs = 15;
    ReverseStock = 2;
    // Scaffolding, not the game: the scripted platform's list of sound calls
    // is a growing list of strings.
    ktPlatform::Sys.SoundCall = nullptr;

    alloccount::Reset();
    int busiest = 0, bombsStarted = 0, reverses = 0, restarts = 0;
    for (int frame = 0; frame < 1000; frame++) {
        randomKeys();
        const int bombsBefore = Bombs, reversesBefore = ReverseStock;
        const long position1 = Script1File ? std::ftell(Script1File) : 0;
        const long position2 = Script2File ? std::ftell(Script2File) : 0;
        CountedTurn(16);
        bombsStarted += Bombs < bombsBefore;
        reverses += ReverseStock < reversesBefore;
        restarts += (Script1File && std::ftell(Script1File) < position1) +
                    (Script2File && std::ftell(Script2File) < position2);
        busiest = std::max(busiest, ActiveShots());
    }

    EXPECT_EQ(alloccount::Count(), 0) << "the first allocation asked for " << alloccount::FirstSize()
                                      << " bytes";
    // The frames were play frames of a busy stage, with bombs, reverses and
    // a stream starting over.
    EXPECT_EQ(ktSystem::SceneId, 1);
    EXPECT_EQ(StageNo, 4);
    EXPECT_GE(busiest, 15);
    EXPECT_GE(bombsStarted, 3);
    EXPECT_EQ(reverses, 2);
    EXPECT_GE(restarts, 1);
    std::printf("1000 frames: %lld allocations, up to %d enemy shots, %d bombs, %d reverses, "
                "%d stream restarts\n",
                static_cast<long long>(alloccount::Count()), busiest, bombsStarted, reverses, restarts);
}

}  // namespace
