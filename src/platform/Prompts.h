#pragma once

#include <string>
#include <string_view>

namespace platform {

// How a message box looks; the GUI picks its icon from this.
enum class Icon { Information, Warning, Error };

// Everything the core needs from the user goes through this interface: the
// GUI shows real dialogs, the command-line tool prints to standard error and
// tests script the answers and record every text. Texts are passed exactly as
// the user must see them.
class Prompts {
  public:
    virtual ~Prompts() = default;
    // A modal message with an OK button.
    virtual void Message(std::string_view text, Icon icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view question) = 0;
};

// Prompts that show nothing and answer No; for callers that run unattended.
class SilentPrompts : public Prompts {
  public:
    void Message(std::string_view, Icon) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

} // namespace platform
