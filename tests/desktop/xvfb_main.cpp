// GoogleTest main for the tests that need a real X display: starts its own Xvfb server on a free
// display number and runs the program's windows on Qt's xcb platform there. Without Xvfb the
// tests skip (XvfbDisplay::unavailableReason() says why) on the offscreen platform.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "desktop/xvfb_display.h"

namespace zepra::testing {
namespace {

std::string g_unavailableReason = "Xvfb was not started";
pid_t g_server = -1;

// Starts Xvfb with -displayfd and returns the display number it chose, or -1.
int StartXvfb() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        g_unavailableReason = "cannot create a pipe for Xvfb";
        return -1;
    }
    const pid_t child = fork();
    if (child < 0) {
        g_unavailableReason = "cannot fork for Xvfb";
        return -1;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // the server goes with the tests, however they end
        dup2(fds[1], 3);                   // without O_CLOEXEC
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1600x1200x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    g_server = child;
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char ch = 0;
    while (poll(&wait, 1, 20'000) == 1 && read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
    close(fds[0]);
    if (number.empty()) {
        int status = 0;
        const bool exited = waitpid(child, &status, WNOHANG) == child;
        g_unavailableReason = exited && WIFEXITED(status) && WEXITSTATUS(status) == 127
                                  ? "Xvfb is not installed (Debian package xvfb)"
                                  : "Xvfb did not report a display within 20 s";
        if (!exited) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        g_server = -1;
        return -1;
    }
    return std::atoi(number.c_str());
}

void StopXvfb() {
    if (g_server <= 0) return;
    kill(g_server, SIGTERM);
    waitpid(g_server, nullptr, 0);
    g_server = -1;
}

}  // namespace

const std::string& XvfbDisplay::unavailableReason() {
    return g_unavailableReason;
}

bool XvfbDisplay::available() {
    return g_server > 0;
}

}  // namespace zepra::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    const int display = listing ? -1 : zepra::testing::StartXvfb();
    if (display >= 0) {
        qputenv("DISPLAY", QByteArray(":") + QByteArray::number(display));
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    zepra::testing::StopXvfb();
    return result;
}
