#pragma once
// Fakes of the narrow platform interfaces for window tests.

#include <QApplication>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock_text.h"
#include "platform/message_box.h"
#include "platform/save_dialog.h"

namespace zepra::testing {

// Records every message instead of showing it.
class FakeMessageBox : public MessageBox {
  public:
    void show(const std::string& text) override {
        messages.push_back(text);
        // Whether a top-level window was visible while the message was "on screen".
        anyWindowVisible.push_back(false);
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible()) anyWindowVisible.back() = true;
        }
    }
    // Nothing stays open: show() has returned before anything else happens.
    void replaceOpen(const std::string&, const std::string&) override {}
    std::vector<std::string> messages;
    std::vector<bool> anyWindowVisible;
};

// Returns the queued answers in turn (empty = cancelled) and records what was asked.
class FakeSaveDialog : public SaveDialog {
  public:
    std::string getSaveFileName(const std::string& title, const std::string& filter) override {
        requests.emplace_back(title, filter);
        if (answers.empty()) return {};
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<std::string> answers;
    std::vector<std::pair<std::string, std::string>> requests;
};

class FakeClockText : public ClockText {
  public:
    std::string currentDate() const override { return date; }
    std::string currentTime() const override { return time; }
    std::string date = "10/12/2026";
    std::string time = "04:22";
};

}  // namespace zepra::testing
