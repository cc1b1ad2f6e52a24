#pragma once
// main() for the tests that need an application object and an X server.

#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define KORVEX_CHECK_LEAKS_EARLY 1
#endif
#endif

namespace korvex::fixtures {

template <typename Application>
int runGuiTests(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests, as the build does, needs no display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    Application app(argc, argv);
    const int status = RUN_ALL_TESTS();
#ifdef KORVEX_CHECK_LEAKS_EARLY
    // The OpenGL driver is unloaded when the application goes, and what it
    // keeps could then no longer be told apart from our own leaks.
    __lsan_do_leak_check();
#endif
    return status;
}

}  // namespace korvex::fixtures
