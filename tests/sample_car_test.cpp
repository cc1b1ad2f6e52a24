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

}  // namespace
}  // namespace korvex
