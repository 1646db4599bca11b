#pragma once

#include "document/DocumentHost.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The document's dialogs as the mission commands answer them: the pak
// member comes from the command line (--member); every other dialog counts
// as cancelled.
class CliDocumentDialogs : public document::DocumentDialogs {
  public:
    explicit CliDocumentDialogs(std::string member) : m_member(std::move(member)) {}
    std::optional<std::string> PickPakMember(const std::vector<pak::PakMemberInfo>&) override {
        if (m_member.empty()) return std::nullopt;
        return m_member;
    }

  private:
    std::string m_member;
};
