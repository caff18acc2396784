#include <cstdio>

#include "cli/console.h"
#include "cli/progress_bar.h"

namespace {
constexpr int kBarWidth = 30;
}

ProgressBar::ProgressBar(std::string label, ULONGLONG total)
    : label_(std::move(label)), total_(total), visible_(total > 0 && StderrIsTerminal()) {
    Draw();
}

ProgressBar::~ProgressBar() {
    if (visible_ && drawnPercent_ >= 0) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
}

void ProgressBar::Advance(ULONGLONG amount) {
    done_ += amount;
    Draw();
}

void ProgressBar::Draw() {
    if (!visible_) {
        return;
    }
    ULONGLONG done = done_ < total_ ? done_ : total_;
    int percent = static_cast<int>(done * 100 / total_);
    if (percent == drawnPercent_) {
        return;
    }
    drawnPercent_ = percent;
    int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
}
