#pragma once
// The Wayland compositor of the Wayland tests (see weston_main.cpp).

#include <string>

namespace zepra::testing {

struct WestonDisplay {
    // Whether the tests run on Qt's wayland platform in their own weston.
    static bool available();
    // Why not, for GTEST_SKIP.
    static const std::string& unavailableReason();
};

}  // namespace zepra::testing
