// The scripted platform: everything the game asks of the machine is answered
// from the state below, which a test or the simulator sets. Nothing reaches a
// real display, keyboard, pad or sound card; error boxes are recorded and
// answered as OK; the last presented picture is kept.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform.h"

namespace ktScript {

struct ScriptPad {
    int present;  // 0: reads fail (unplugged)
    ktPlatform::PadReading reading;
};

struct ScriptState {
    uint32_t tick = 0;
    int64_t calendarTime = 1;
    int windowFails = 0;           // CreateMainWindow answers 0
    int windowOpen = 0;
    int windowActive = 1;          // the new window is the active one
    int windowed = 0;              // shown in a window of its own
    int windowFixed = 0;           // SetWindowed answers 0
    int minimises = 0;             // times the window was minimised
    int imeEnabled = 1;
    int keys[256] = {};            // 1 while held
    ScriptPad pads[2] = {};
    int padConfigReads = 0;
    int beeps = 0;
    std::vector<std::string> boxes;   // "caption : text" of every box shown
    std::deque<ktPlatform::Message> events;  // delivered by NextEvent
    int displayOpen = 0;
    int displayFails = 0;          // OpenDisplay answers this DisplayResult
                                   // (and leaves the display half open)
    int presents = 0;
    std::vector<uint16_t> presented;  // last picture shown, RGB565
    int presentedWidth = 0;
    int presentedHeight = 0;
    int audioFails = 0;            // OpenAudio answers 0
    int audioOpen = 0;
    ktPlatform::MixCallback mix = nullptr;
    std::vector<std::string> sounds;  // "play ./data/x.wav" and so on
    std::string basePath = "./";
    std::string userDataFolder;       // the player's data folder; "" none
};

extern ScriptState State;

// Puts the scripted layer in place and clears its state.
void UseScriptedPlatform();

// Holds or releases a key; a press also queues its key-down message
// (with Alt held: the system key-down message).
void PressKey(int vk);
void ReleaseKey(int vk);

}  // namespace ktScript
