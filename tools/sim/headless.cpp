#include "headless.h"

#include "global_table.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"

namespace sim {

Headless::Headless(const std::string& folder, const std::string& workingFolder) {
    std::error_code error;
    previous_ = std::filesystem::current_path(error);
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    ZeroGameState();
    std::filesystem::current_path(workingFolder.empty() ? folder : workingFolder, error);
    ok_ = !error;
    ktScript::State.basePath = folder + "/";
}

Headless::~Headless() {
    ktDraw::CloseScreen();
    ktSound::Close();
    ZeroGameState();
    std::error_code error;
    if (!previous_.empty()) std::filesystem::current_path(previous_, error);
}

}  // namespace sim
