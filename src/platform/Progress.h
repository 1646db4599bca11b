#pragma once

#include <string_view>

namespace platform {

// The progress window of a long load. The loader only posts to it: a range,
// steps, a line of text and the final close. The GUI runs the window on its
// own thread and queues these calls; an implementation must copy the text,
// because the loader reuses its buffer at once.
class Progress {
  public:
    virtual ~Progress() = default;
    // Opens the window with a bar of `range` steps.
    virtual void Start(int range) = 0;
    // Advances the bar by one step; steps beyond the range keep it full.
    virtual void Step() = 0;
    virtual void SetText(std::string_view text) = 0;
    virtual void Close() = 0;
};

// Progress that shows nothing; for the command-line tool and unattended callers.
class NullProgress : public Progress {
  public:
    void Start(int) override {}
    void Step() override {}
    void SetText(std::string_view) override {}
    void Close() override {}
};

} // namespace platform
