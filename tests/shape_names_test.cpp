#include "model/shape_names.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(ShapeNames, LastMatchingEntryWinsAndCaseOfLettersIsIgnored) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"INT_BTMShape", "Underside"},
        {"intshape_01", "Interior"},
        {"DBWShape", "Window (Back Left)"},  // also holds BWShape, which stands earlier
        {"BRAKE_RFShape", "Brake Part"},     // BRAKE stands after every single brake
        {"LOD3Shape", "Low Detail Part"},
        {"LOD_WHEEL_A", "Low Detail Wheel"},
        {"geo_r_4_midlod_shape", "Medium Detail Hull"},
        {"trnkshape", "Trunk"},
        {"police_addon", "Police Add-on"},
        {"PBWShape", "Window (Back Right)"},
        {"RWShape", "Window (Rear)"},
        {"WRRShape", "Wheel (Rear Right)"},
        {"PFQPShape", "Right Side Panel"},
        {"RQPDShape", "Rear Left Side Panel"},
        {"DLGShape", "Headlight Cover Left"},
        {"GEOM_STEERINGWHEELShape", "Steering Wheel"},
        {"TRUNKShape", "Trunk"},
        {"MISCShape", "Misc Part"},
        {"LOD2Shape", "Low Detail Part"},
        {"SPOILER", "SPOILER"},
        {"", ""},
        // Only a to z change case: these bytes must neither match nor be altered.
        {"\xE9int\xFFshape", "\xE9int\xFFshape"},
        {"\xE9INTSHAPE\xFF", "Interior"},
    };
    for (const auto& [name, readable] : cases) EXPECT_EQ(readableShapeName(name), readable) << name;
}

}  // namespace
}  // namespace korvex
