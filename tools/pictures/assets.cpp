// Loading the picture sources.
#include "assets.h"

namespace pictures {

bool LoadAssets(const std::string& folder, Assets& a, std::string& error) {
    a.folder = folder;
    const std::string base = folder + "/";
    if (!LoadFont(base + TinyFontFile, a.tiny, error)) return false;
    if (!LoadFont(base + SmallFontFile, a.small, error)) return false;
    if (!LoadFont(base + DigitFontFile, a.digits, error)) return false;
    for (const char* file : SpriteFiles)
        if (!LoadSpriteFile(base + file, a.sprites, error)) return false;
    if (!LoadShapeScript(base + DepthShotFile, a.depthShots, error)) return false;
    if (a.depthShots.width != 20 || a.depthShots.height != 20) {
        error = a.depthShots.path + ": the depth shots' canvas must be 20 x 20";
        return false;
    }
    for (int k = 0; k < CharacterCount; ++k) {
        if (!LoadShapeScript(base + CraftFiles[k], a.crafts[k], error)) return false;
        if (a.crafts[k].width != 20 || a.crafts[k].height != 40) {
            error = a.crafts[k].path + ": a player figure's canvas must be 20 x 40";
            return false;
        }
    }
    for (int i = 0; i < StageCount; ++i)
        if (!LoadStageSource(base + StageFiles[i], base + ShapesFolder, a.stages[i], error)) return false;
    return true;
}

bool SpriteFrame(const Assets& a, const std::string& name, int frame, Picture& picture, std::string& error) {
    return RenderSprite(a.sprites, name, frame, picture, error);
}

}  // namespace pictures
