// One progress interface for every long job. The GUI draws it as the
// progress overlay with a cancel button; the command line prints a bar on
// standard error. Jobs call Init once, Show as they go and poll Cancelled()
// between steps; they never block on it.
#pragma once

#include <string>

namespace velmora {

class Progress {
  public:
    virtual ~Progress() = default;
    // Starts a job with a title (the overlay's caption).
    virtual void InitProgress(const std::string& title) = 0;
    // Second form of the start used by the build: a title and a first text.
    virtual void InitProgress2(const std::string& title, const std::string& text) {
        InitProgress(title);
        ShowProgress(0, text);
    }
    // percent in 0..100; text is the line under the bar.
    virtual void ShowProgress(int percent, const std::string& text) = 0;
    // True once the user asked to cancel.
    virtual bool Cancelled() const = 0;
    // The job ended (success or not); the overlay goes away.
    virtual void Finish() {}
};

// A progress that shows nothing and is never cancelled.
class NullProgress final : public Progress {
  public:
    void InitProgress(const std::string&) override {}
    void ShowProgress(int, const std::string&) override {}
    bool Cancelled() const override { return false; }
};

}  // namespace velmora
