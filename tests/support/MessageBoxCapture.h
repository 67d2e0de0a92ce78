// Records every message box shown on the calling thread and closes it with
// OK, so that no box ever blocks a test. Works through a WH_CBT hook: when a
// dialog is about to be activated its title, text and buttons are read.
#pragma once

#include <string>
#include <vector>

struct CapturedBox {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    bool hasIcon = false;
};

class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    const std::vector<CapturedBox>& Boxes() const { return boxes_; }

private:
    friend struct MessageBoxCaptureAccess;
    std::vector<CapturedBox> boxes_;
    void* hook_ = nullptr;
};
