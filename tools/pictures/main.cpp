// grazerunner-pictures: draws every picture of the game's data folder from
// the readable sources in the assets folder.
//
//   grazerunner-pictures ASSETS_FOLDER DATA_FOLDER [PREVIEW_FOLDER]
//
// Every picture is checked against the display's visibility rule before it is
// written; a break of the rule or a fault in a source stops the build with a
// message that names the file and line. With a preview folder it also writes
// mock screens composed the way the game shows the pictures.
#include <cstdio>
#include <string>
#include <vector>

#include "assets.h"
#include "bmp.h"
#include "preview.h"

using namespace pictures;

static int Fail(const std::string& message) {
    std::fprintf(stderr, "grazerunner-pictures: %s\n", message.c_str());
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4)
        return Fail("usage: grazerunner-pictures ASSETS_FOLDER DATA_FOLDER [PREVIEW_FOLDER]");
    std::string error;
    Assets assets;
    if (!LoadAssets(argv[1], assets, error)) return Fail(error);
    std::vector<OutputPicture> pictures;
    if (!BuildPictures(assets, pictures, error)) return Fail(error);
    for (const OutputPicture& out : pictures) {
        int breakers = CountRuleBreakers(out.picture);
        if (breakers > 0)
            return Fail(out.file + ": " + std::to_string(breakers) +
                        " pixels are neither black nor visible in 16-bit colour (red >= 8, green >= 4 or blue >= 8)");
    }
    for (const OutputPicture& out : pictures)
        if (!WriteFileBytes(std::string(argv[2]) + "/" + out.file, EncodeBmp(out.picture), error)) return Fail(error);
    if (argc == 4) {
        std::vector<OutputPicture> screens;
        if (!BuildPreviews(assets, pictures, screens, error)) return Fail(error);
        for (const OutputPicture& out : screens)
            if (!WriteFileBytes(std::string(argv[3]) + "/" + out.file, EncodeBmp(out.picture), error))
                return Fail(error);
    }
    return 0;
}
