// The scripted movement of the throughput and memory benchmarks: a fixed
// round of held keys, the same in-process and as a simulator script.
#pragma once

#include <string>

#include "platform.h"

namespace bench {

struct HeldKeys {
    int keys[2];  // virtual keys, 0 for none
    int frames;   // turns they stay held
};

// Around the field and across it, slow and fast; 200 turns a round.
constexpr HeldKeys MoveRound[] = {
    {{ktPlatform::VK_LEFT, 0}, 25},
    {{ktPlatform::VK_UP, 0}, 25},
    {{ktPlatform::VK_RIGHT, 0}, 25},
    {{ktPlatform::VK_DOWN, 0}, 25},
    {{ktPlatform::VK_LEFT, ktPlatform::VK_UP}, 25},
    {{ktPlatform::VK_RIGHT, ktPlatform::VK_Z}, 25},
    {{ktPlatform::VK_RIGHT, ktPlatform::VK_DOWN}, 25},
    {{ktPlatform::VK_LEFT, ktPlatform::VK_DOWN}, 25},
};

// The simulator's name of a key of MoveRound.
inline const char* SimKeyName(int vk) {
    switch (vk) {
        case ktPlatform::VK_LEFT: return "Left";
        case ktPlatform::VK_UP: return "Up";
        case ktPlatform::VK_RIGHT: return "Right";
        case ktPlatform::VK_DOWN: return "Down";
        case ktPlatform::VK_Z: return "Z";
        default: return "";
    }
}

// Simulator directives for `frames` turns of MoveRound, over and over.
inline std::string MoveRoundScript(int frames) {
    std::string script;
    int done = 0;
    for (int step = 0; done < frames; step++) {
        const HeldKeys& held = MoveRound[step % (sizeof MoveRound / sizeof MoveRound[0])];
        const int turns = held.frames < frames - done ? held.frames : frames - done;
        std::string keys;
        for (int vk : held.keys)
            if (vk) keys += std::string(" ") + SimKeyName(vk);
        script += "hold" + keys + "\nframes " + std::to_string(turns) + "\nrelease" + keys + "\n";
        done += turns;
    }
    return script;
}

// From the title to stage 0 at STANDARD with the first character, as
// simulator directives.
constexpr const char* StartStandardScript =
    "hold Enter\nframes 1\nrelease Enter\nframes 1\n"  // title -> mode select
    "hold Z\nframes 1\nrelease Z\nframes 1\n"          // STANDARD -> character select
    "hold Up\nframes 1\nrelease Up\n"                  // the top row
    "hold Z\nframes 1\nrelease Z\n"                    // -> stage 0
    "expect SceneId == 1\nexpect GameMode == 1\nexpect StageNo == 0\n";

}  // namespace bench
