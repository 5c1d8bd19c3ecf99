// Every picture of the data folder, from the loaded sources.
#include "assets.h"
#include "menus.h"
#include "sheets.h"
#include "stages.h"

namespace pictures {

namespace {

using Maker = bool (*)(const Assets&, Picture&, std::string&);

// The pictures that do not depend on the stage, with their sizes.
struct PictureJob {
    const char* file;
    Maker make;
    int width, height;
};
constexpr PictureJob PictureJobs[] = {
    {"start.bmp", MakeTitlePicture, 240, 240},
    {"selemode.bmp", MakeModeSelectPicture, 320, 240},
    {"opening.bmp", MakeCharacterSelectPicture, 320, 240},
    {"tlop.bmp", MakeMenuBarPicture, 320, 160},
    {"chips.bmp", MakeDigitSheet, 40, 265},
    {"chips2.bmp", MakeSpriteSheet, 100, 310},
};

}  // namespace

bool BuildPictures(const Assets& a, std::vector<OutputPicture>& out, std::string& error) {
    out.clear();
    for (const PictureJob& job : PictureJobs) {
        OutputPicture o{job.file, {}};
        if (!job.make(a, o.picture, error)) {
            error = std::string(job.file) + ": " + error;
            return false;
        }
        if (o.picture.width != job.width || o.picture.height != job.height) {
            error = std::string(job.file) + ": drawn at the wrong size";
            return false;
        }
        out.push_back(std::move(o));
    }
    for (int s = 0; s < StageCount; ++s)
        out.push_back({"stage" + std::to_string(s) + ".bmp", MakeStagePicture(a.stages[s])});
    return true;
}

}  // namespace pictures
