#pragma once
// Doubles for what the installation talks to: the updater window and the message boxes.

#include "common/SystemServices.h"
#include "updater/UpdateInstall.h"

#include <string>
#include <utility>
#include <vector>

namespace hopplix::test {

struct Message {
    std::string prompt;
    int style;
    std::string title;
    bool operator==(const Message&) const = default;
};

// Answers every question with `answer` and keeps every box it was shown.
class RecordingMessages : public MessageBoxes {
public:
    int answer = mb::vbYes;
    std::vector<Message> shown;
    int MsgBox(const std::string& prompt, int style, const std::string& title) override
    {
        shown.push_back({prompt, style, title});
        return (style & 7) == mb::vbYesNo ? answer : mb::vbOK;
    }
    std::vector<Message> errors() const
    {
        std::vector<Message> out;
        for (const auto& m : shown)
            if (m.title == "Error")
                out.push_back(m);
        return out;
    }
};

class RecordingWindow : public UpdateWindow {
public:
    std::string status = "Update...";
    std::vector<std::string> fileCaptions;
    double fill = 6514;
    std::vector<std::pair<std::string, double>> fills; // the file caption shown then, the width
    bool visible = false;
    bool timers = false;
    int refreshes = 0;

    void setStatusCaption(const std::string& caption) override { status = caption; }
    void setFileCaption(const std::string& caption) override { fileCaptions.push_back(caption); }
    double trackWidth() override { return 6514; }
    double fillWidth() override { return fill; }
    void setFillWidth(double twips) override
    {
        fill = twips;
        fills.emplace_back(fileCaptions.empty() ? std::string() : fileCaptions.back(), twips);
    }
    void showInFront() override { visible = true; }
    void hide() override { visible = false; }
    void startHandOverTimers() override { timers = true; }
    void offerCancel(bool offered) override { cancelOffered = offered; }
    void refresh() override
    {
        ++refreshes;
        if (giveUpAtRefresh > 0 && refreshes >= giveUpAtRefresh)
            gaveUp = true;
    }
    bool cancelled() override { return gaveUp; }

    bool cancelOffered = false;
    int giveUpAtRefresh = 0; // the player gives up at this refresh; 0: never
    bool gaveUp = false;
};

} // namespace hopplix::test
