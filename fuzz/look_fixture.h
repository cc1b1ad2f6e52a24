#pragma once
// The folder the look fuzz target reads its looks in, as its seeds are
// written: a small model and a picture beside the look, and a picture that
// is never there.

#include "tests/support/model_file_builder.h"

#include <string_view>

namespace korvex::fuzz {

inline constexpr std::string_view LookName = "car.kvlook";
inline constexpr std::string_view LookModelName = "car.o";
inline constexpr std::string_view LookPictureName = "paint.tga";
inline constexpr std::string_view LookMissingPictureName = "gone.jpg";

// Four quads, two of them under one name, so that matching parts by name
// meets a name the file repeats, and by index a part whose name changed.
inline fixtures::ModelDescription lookModel() {
    return fixtures::partsNamed({"geo_r_0_FRNShape", "geo_r_1_HODShape", "geo_r_1_HODShape", "geo_r_2_WFLShape"});
}

}  // namespace korvex::fuzz
