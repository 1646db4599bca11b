#pragma once

#include "app/AppDialogs.h"
#include "platform/Prompts.h"
#include "platform/SettingsStore.h"
#include "resources/ResourceCatalogue.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <string>

class QSettings;
class QWidget;

namespace app {

// The name message boxes carry as their caption.
inline constexpr const char* kAppName = "VarnholtMapEditor";

// Text of the game's files (Windows-1252) for a Qt widget.
QString FromGameText(std::string_view text);
// A path as the core keeps it (the file system's bytes) for Qt, and back.
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);

// The folder where the editor keeps what belongs to the user, such as the
// custom environment presets: the platform's per-user application data
// folder (it may not exist yet).
std::string UserDataFolder();

// Message boxes and Yes/No questions, captioned with the application's name.
class QtPrompts : public platform::Prompts {
  public:
    explicit QtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    void Message(std::string_view text, platform::Icon icon) override;
    bool AskYesNo(std::string_view question) override;

  private:
    QPointer<QWidget> m_parent;
};

// The settings in QSettings under "Tarnwick/VarnholtMapEditor", group
// "Settings" (on Windows the same registry key the editor always used).
class QtSettingsStore : public platform::SettingsStore {
  public:
    QtSettingsStore();
    // Uses settings that the caller owns (tests pass an ini file in a temporary folder).
    explicit QtSettingsStore(QSettings* settings);
    ~QtSettingsStore() override;

    std::string GetString(std::string_view key, std::string_view defaultValue) const override;
    int GetInt(std::string_view key, int defaultValue) const override;
    void SetString(std::string_view key, std::string_view value) override;
    void SetInt(std::string_view key, int value) override;

    QSettings& Settings() { return *m_settings; }

  private:
    std::unique_ptr<QSettings> m_owned;
    QSettings* m_settings;
};

// The two folder questions of the resource load: the folder browser and the
// Resource Directory dialog.
class QtResourcePathDialogs : public resources::ResourcePathDialogs {
  public:
    explicit QtResourcePathDialogs(FolderBrowser browser, QWidget* parent = nullptr)
        : m_browser(std::move(browser)), m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    std::string BrowseFolder(std::string_view title) override;
    std::optional<std::string> AskResourceDirectory(std::string_view proposal) override;

  private:
    FolderBrowser m_browser;
    QPointer<QWidget> m_parent;
};

} // namespace app
