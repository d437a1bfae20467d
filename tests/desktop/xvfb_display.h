#pragma once
// The X display of the desktop tests (see xvfb_main.cpp).

#include <string>

namespace zepra::testing {

struct XvfbDisplay {
    // Whether the tests run on the xcb platform on their own Xvfb server.
    static bool available();
    // Why not, for GTEST_SKIP.
    static const std::string& unavailableReason();
};

}  // namespace zepra::testing
