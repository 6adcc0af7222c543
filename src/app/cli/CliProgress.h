// The command line's progress bar on standard error
// ("[#####.....]  45% 正在写入...") and Ctrl+C as the cancel button: long
// subcommands install the interrupt handler for the length of the job.
#pragma once

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#include "base/Progress.h"

namespace velmora::cli {

inline std::atomic<bool> gInterrupted{false};

extern "C" inline void OnInterrupt(int) {
    gInterrupted = true;
}

// Ctrl+C cancels while this lives.
class InterruptScope {
  public:
    InterruptScope() {
        gInterrupted = false;
        previous_ = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptScope() { std::signal(SIGINT, previous_); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

  private:
    void (*previous_)(int) = nullptr;
};

class CliProgress final : public Progress {
  public:
    void InitProgress(const std::string&) override { last_ = -1; }
    void ShowProgress(int percent, const std::string& text) override {
        if (percent == last_ && text == text_)
            return;
        last_ = percent;
        text_ = text;
        int filled = percent * kWidth / 100;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kWidth - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%% %s", bar.c_str(), percent, text.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    bool Cancelled() const override { return gInterrupted.load(); }
    void Finish() override {
        if (shown_)
            std::fputc('\n', stderr);
        shown_ = false;
    }

  private:
    static constexpr int kWidth = 30;
    int last_ = -1;
    std::string text_;
    bool shown_ = false;
};

}  // namespace velmora::cli
