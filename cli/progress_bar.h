// A one-line progress bar on stderr for long work, drawn only when stderr is
// a terminal, so that scripts and tests see none of it. The line is cleared
// when the bar goes.
#pragma once

#include <string>

#include "platform/types.h"

class ProgressBar {
public:
    ProgressBar(std::string label, ULONGLONG total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Advance(ULONGLONG amount);

private:
    void Draw();

    std::string label_;
    ULONGLONG total_;
    ULONGLONG done_ = 0;
    int drawnPercent_ = -1;
    bool visible_;
};
