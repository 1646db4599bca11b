#pragma once

#include "platform/Prompts.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace testing_support {

// The folder of test inputs shared with other tools; empty when it is absent.
inline std::filesystem::path SharedTestData() {
    std::filesystem::path p = VM_SHARED_TESTDATA;
    return std::filesystem::is_directory(p) ? p : std::filesystem::path{};
}

#define VM_REQUIRE_SHARED_TESTDATA(var)                                                            \
    auto var = ::testing_support::SharedTestData();                                                \
    if (var.empty()) GTEST_SKIP() << "shared test data folder not found: " << VM_SHARED_TESTDATA

// Prompts that record every text and answer Yes/No questions from a script.
class RecordingPrompts : public platform::Prompts {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<bool> answers; // consumed front to back; No when exhausted

    void Message(std::string_view text, platform::Icon) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view question) override {
        questions.emplace_back(question);
        if (answers.empty()) return false;
        bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

// A fresh empty folder under the system temporary folder, removed at scope end.
class TempDir {
  public:
    TempDir() {
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0;; ++i) {
            m_path = base /
                     ("vm_test_" + std::to_string(::getpid()) + "_" + std::to_string(s_counter++));
            std::error_code ec;
            if (std::filesystem::create_directory(m_path, ec)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

  private:
    inline static int s_counter = 0;
    std::filesystem::path m_path;
};

// The whole content of a file; empty when it cannot be read.
inline std::string Slurp(const std::filesystem::path& path) {
    std::string text;
    if (FILE* f = std::fopen(path.string().c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

// s as one word of a POSIX shell command line.
inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

#ifdef VM_VMED_PATH
// Runs the built vmed with the given (shell-quoted) arguments; standard error
// is discarded. Returns the exit code and standard output.
struct VmedResult {
    int code = -1;
    std::string out;
};

inline VmedResult RunVmed(const std::string& args) {
    std::string cmd = std::string("'") + VM_VMED_PATH + "' " + args + " 2>/dev/null";
    VmedResult r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
#endif

} // namespace testing_support
