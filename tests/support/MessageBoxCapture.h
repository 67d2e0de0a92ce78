// Records every message box shown on the calling thread and closes it with
// OK, so that no box ever blocks a test. Works through a WH_CBT hook: when a
// dialog is about to be activated its title, text and buttons are read.
#pragma once

#include <vector>

#include "tests/support/MessageBoxReader.h"

class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

    const std::vector<CapturedBox>& Boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);

    static MessageBoxCapture* active_;
    std::vector<CapturedBox> boxes_;
    HHOOK hook_ = nullptr;
};
