// The engine's error box: "caption : text", a beep, a modal box, result 0.
#include <string>

#include "ktSound.h"
#include "ktSystem.h"

namespace ktSystem {

using namespace ktPlatform;

// The system's beep, or the engine's own where the system has none.
void Beep() {
    if (Sys.Beep)
        Sys.Beep();
    else
        ktSound::Beep();
}

int ShowError(const char* caption, const char* text) {
    // Joined without a fixed-size buffer, so no caption or text is ever cut.
    std::string message = caption;
    message += " : ";
    message += text;
    Beep();
    Sys.MessageBox(message.c_str(), ErrorBoxTitle);
    return 0;
}

}  // namespace ktSystem
