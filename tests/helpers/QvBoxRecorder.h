// QvBoxRecorder.h - catches the message boxes the program would show, through
// appMessageBoxHook, on every platform: nothing is shown, each box is kept.
#ifndef QUORVEL_TESTS_QVBOXRECORDER_H
#define QUORVEL_TESTS_QVBOXRECORDER_H

#include "AppPlatform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

struct RecordedBox {
    void* owner;
    std::string caption;
    std::string text;
    uint32_t style; // AppBoxStyle
};

// Installs the hook while it lives and takes it out again. A question is
// answered with questionAnswer (AppAnswerNo unless told), any other box OK.
class BoxRecorder {
public:
    explicit BoxRecorder(int questionAnswer = AppAnswerNo);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    const std::vector<RecordedBox>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }

private:
    static int record(void* owner, const char* caption, const char* text, uint32_t style);
    std::vector<RecordedBox> boxes_;
    int questionAnswer_;
};

} // namespace qvtest

#endif
