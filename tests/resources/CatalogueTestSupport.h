#pragma once

#include "platform/Progress.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace catalogue_test {

namespace fs = std::filesystem;
using Members = std::vector<std::pair<std::string, std::string>>; // stored name, content

inline void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Packs the members, in the order given, with Info-ZIP's zip: the reader is
// checked against archives of a writer that is not our own.
inline void MakePak(const fs::path& archive, const Members& members,
                    const std::string& zipOptions = "") {
    fs::path staging = archive.parent_path() / (archive.filename().string() + ".staging");
    fs::create_directories(archive.parent_path());
    std::string command =
        "cd '" + staging.string() + "' && zip -q -X " + zipOptions + " '" + archive.string() + "'";
    for (const auto& [name, content] : members) {
        WriteFile(staging / name, content);
        command += " '" + name + "'";
    }
    ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    fs::remove_all(staging);
}

class RecordingProgress : public platform::Progress {
  public:
    int range = 0;
    int steps = 0;
    bool closed = false;
    std::vector<std::string> texts;
    void Start(int r) override { range = r; }
    void Step() override { ++steps; }
    void SetText(std::string_view text) override { texts.emplace_back(text); }
    void Close() override { closed = true; }
};

class ScriptedDialogs : public resources::ResourcePathDialogs {
  public:
    std::string gamePathAnswer;                   // empty: cancelled
    std::optional<std::string> resourceDirAnswer; // nullopt: cancelled
    std::vector<std::string> browseTitles;
    std::vector<std::string> proposals;
    std::string BrowseFolder(std::string_view title) override {
        browseTitles.emplace_back(title);
        return gamePathAnswer;
    }
    std::optional<std::string> AskResourceDirectory(std::string_view proposal) override {
        proposals.emplace_back(proposal);
        return resourceDirAnswer;
    }
};

// A game folder and a resource folder in a fresh temporary folder, and a
// catalogue wired to recording interfaces.
class CatalogueFixture : public ::testing::Test {
  protected:
    testing_support::TempDir m_tmp;
    fs::path m_game = m_tmp.path() / "game";
    fs::path m_res = m_tmp.path() / "res";
    testing_support::RecordingPrompts m_prompts;
    RecordingProgress m_progress;
    ScriptedDialogs m_dialogs;
    resources::CResourceCatalogue m_catalogue{&m_prompts, &m_progress, &m_dialogs};

    void SetUp() override {
        fs::create_directories(m_game);
        m_catalogue.SetGamePath(m_game.string());
        m_catalogue.SetResourceDir(m_res.string());
    }

    bool Has(const std::string& text) const {
        for (const auto& t : m_progress.texts)
            if (t == text) return true;
        return false;
    }
};

} // namespace catalogue_test
