#pragma once

#include "app/MessageRelayer.h"
#include "document/DocTestSupport.h"
#include "document/DocumentHost.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace app_testing {

// A fixture whose widgets are members: the application object must exist
// before they are built, whichever test runs first.
class QtFixture : public ::testing::Test {
  protected:
    QtFixture() { testing_support::TestApp(); }
};

// What reached a bar, a view or a relay, in order, as "who:number:first:second".
using Log = std::vector<std::string>;

inline std::string Entry(const char* who, int number, intptr_t first, intptr_t second) {
    return std::string(who) + ":" + std::to_string(number) + ":" + std::to_string(first) + ":" +
           std::to_string(second);
}

class RecordingTarget : public app::RelayTarget {
  public:
    RecordingTarget(const char* name, Log& log) : m_name(name), m_log(log) {}
    void OnRelayed(document::AppMessage message, intptr_t first, intptr_t second) override {
        m_log.push_back(Entry(m_name, static_cast<int>(message), first, second));
    }

  private:
    const char* m_name;
    Log& m_log;
};

class RecordingRelay : public document::MessageRelay {
  public:
    Log log;
    void Relay(document::AppMessage message, intptr_t first, intptr_t second) override {
        log.push_back(Entry("relay", static_cast<int>(message), first, second));
    }
};

// Hands a document's dialogs on to one scripted set that the test keeps.
class ForwardingDialogs : public document::DocumentDialogs {
  public:
    explicit ForwardingDialogs(doc_testing::ScriptedDialogs& script) : m_script(script) {}
    std::optional<std::string> OpenBaseMap() override { return m_script.OpenBaseMap(); }
    std::optional<std::string> ChooseMapTemplate(const std::vector<std::string>& t) override {
        return m_script.ChooseMapTemplate(t);
    }
    std::optional<std::string> PickPakMember(const std::vector<pak::PakMemberInfo>& m) override {
        return m_script.PickPakMember(m);
    }
    std::optional<std::string> AskSaveFileName(std::string_view proposal, bool replace) override {
        return m_script.AskSaveFileName(proposal, replace);
    }

  private:
    doc_testing::ScriptedDialogs& m_script;
};

// Runs action on the modal dialog that the next blocking call opens; a
// dialog of another type is closed so that the test cannot hang.
template <typename Dialog> void OnModal(std::function<void(Dialog&)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal))
            action(*dialog);
        else if (modal)
            modal->close();
    });
}

// Cancels every modal dialog that opens while it lives and records the titles.
class ModalCanceller {
  public:
    ModalCanceller() {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                titles.push_back(modal->windowTitle());
                modal->close();
            }
        });
        m_timer.start();
    }
    QStringList titles;

  private:
    QTimer m_timer;
};

inline std::filesystem::path DemoGame() {
    return VM_DEMO_GAME;
}

#define VM_REQUIRE_DEMO_GAME()                                                                     \
    if (!std::filesystem::exists(app_testing::DemoGame() / "game.pak"))                            \
    GTEST_SKIP() << "demo game not built: " << VM_DEMO_GAME

} // namespace app_testing
