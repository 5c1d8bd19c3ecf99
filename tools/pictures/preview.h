// Mock screens for checking the pictures by eye: each is composed the way the
// game draws the pictures (play field, score panel, menus, results).
#pragma once

#include <string>
#include <vector>

#include "assets.h"

namespace pictures {

bool BuildPreviews(const Assets& assets, const std::vector<OutputPicture>& pictures,
                   std::vector<OutputPicture>& screens, std::string& error);

}  // namespace pictures
