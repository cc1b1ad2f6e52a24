#include "model/text_conversion.h"
#include "settings/geomdata_file.h"
#include "tests/support/test_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvex {
namespace {

// The sample car is what users first see and what the window tests open, so
// it must load cleanly and be a real model, not a token one.
TEST(SampleCar, LoadsCleanlyWithEveryPartDrawable) {
    fixtures::LoadOutcome car;
    fixtures::loadInto(car, KORVEX_SAMPLE_CAR);
    ASSERT_FALSE(car.escaped) << *car.escaped;
    EXPECT_TRUE(car.prompts.shown.empty());
    ASSERT_TRUE(car.state.ModelLoaded);

    const PartList& list = car.state.partList;
    EXPECT_GE(list.PartCount, 22);  // panels, four windows, wheels, brakes, interior, hood, trunk, a hull
    EXPECT_EQ(car.log.lines.back(), "Loaded " + std::to_string(list.PartCount) + " parts successfully.");
    std::size_t vertices = 0;
    for (int32_t i = 0; i < list.PartCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.Parts[i].SettingsRow, i);
        EXPECT_TRUE(list.Parts[i].IndicesInRange);
        EXPECT_GE(list.PartIndices[i].size(), 3u);
        for (const ModelVertex& v : list.PartVertices[i]) {
            const float length = std::hypot(v.Normal[0], v.Normal[1], v.Normal[2]);
            ASSERT_NEAR(length, 1.0f, 1e-3f);
            ASSERT_TRUE(std::isfinite(v.Position[0] + v.Position[1] + v.Position[2]));
        }
        vertices += list.PartVertices[i].size();
    }
    EXPECT_GE(vertices, 3000u);
}

// Its settings file sits beside it: every part gets a readable name, the
// windows are transparent, and the hull takes over as the detail goes down.
TEST(SampleCar, OpensWithItsSettingsFile) {
    fixtures::LoadOutcome car;
    fixtures::openInto(car, KORVEX_SAMPLE_CAR);
    ASSERT_FALSE(car.escaped) << *car.escaped;
    EXPECT_TRUE(car.prompts.shown.empty());
    EXPECT_EQ(car.log.lines[car.log.lines.size() - 3], "LOADING Geomdata.ini...");

    const ProgramState& state = car.state;
    int32_t hull = -1, front = -1, windows = 0;
    for (int32_t i = 0; i < state.partList.PartCount; ++i) {
        const GeometryPart& part = state.partList.Parts[i];
        SCOPED_TRACE(part.Name);
        EXPECT_EQ(part.Name.find("Part "), std::string::npos);  // not a default name
        EXPECT_EQ(state.tree.PartNodes[i].Caption, latin1ToWide(part.Name));
        const bool window = part.Name.starts_with("Window");
        windows += window;
        EXPECT_EQ(part.Transparent != 0, window);
        if (part.Name == "Low Detail Part") hull = i;
        if (part.Name == "Front") front = i;
    }
    EXPECT_EQ(windows, 4);
    ASSERT_GE(hull, 0);
    ASSERT_GE(front, 0);
    EXPECT_TRUE(state.partList.Parts[front].EnvironmentMapped);
    for (int32_t level = 0; level <= 100; ++level)
        EXPECT_NE(passesLevelOfDetail(state, hull, level), passesLevelOfDetail(state, front, level)) << level;
}

}  // namespace
}  // namespace korvex
