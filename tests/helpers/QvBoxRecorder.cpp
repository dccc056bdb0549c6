// QvBoxRecorder.cpp - the message-box hook of the tests.
#include "QvBoxRecorder.h"

namespace qvtest {

namespace {
BoxRecorder* current = nullptr;
} // namespace

BoxRecorder::BoxRecorder(int questionAnswer) : questionAnswer_(questionAnswer) {
    current = this;
    appMessageBoxHook = record;
}

BoxRecorder::~BoxRecorder() {
    appMessageBoxHook = nullptr;
    current = nullptr;
}

int BoxRecorder::record(void* owner, const char* caption, const char* text, uint32_t style) {
    if (current == nullptr)
        return AppAnswerOk;
    current->boxes_.push_back({owner, caption != nullptr ? caption : "", text != nullptr ? text : "", style});
    return style == AppBoxQuestion ? current->questionAnswer_ : AppAnswerOk;
}

} // namespace qvtest
