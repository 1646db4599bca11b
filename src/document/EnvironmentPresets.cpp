#include "document/EnvironmentPresets.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefParser.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>

namespace document {

namespace {

const CDefNode* Key(const CDefNode& preset, const char* key) {
    return preset.FindChild(key);
}

void ReadColour(const CDefNode& preset, const char* key, Rgb& out) {
    uint32_t packed = 0;
    const CDefNode* node = Key(preset, key);
    if (!node || !node->ReadPackedBytes(node->Name(), packed, 3)) return;
    out = {uint8_t(packed & 0xFF), uint8_t((packed >> 8) & 0xFF), uint8_t((packed >> 16) & 0xFF)};
}

template <class T>
void ReadInteger(const CDefNode& preset, const char* key, T& out, size_t index = 0) {
    const CDefNode* node = Key(preset, key);
    const char* v = node ? node->GetValue(index) : nullptr;
    if (v) out = static_cast<T>(platform::ParseLong(v, 10));
}

void ReadReal(const CDefNode& preset, const char* key, double& out) {
    const CDefNode* node = Key(preset, key);
    if (node && node->ValueCount() > 0) node->GetFloat(0, out);
}

void ReadText(const CDefNode& preset, const char* key, std::string& out) {
    const CDefNode* node = Key(preset, key);
    if (node && node->GetValue(0)) out = platform::StripQuotes(node->GetValue(0));
}

CDefNode* Add(CDefNode* preset, const char* key, std::vector<std::string> values = {}) {
    std::vector<std::string_view> views(values.begin(), values.end());
    auto node = std::make_unique<CDefNode>();
    node->Assign(key, views);
    return preset->AppendChild(std::move(node));
}

std::vector<std::string> Colour(const Rgb& c) {
    return {platform::FormatInt(c.r), platform::FormatInt(c.g), platform::FormatInt(c.b), "255"};
}

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// The Preset blocks of a preset file's first top-level node.
std::vector<const CDefNode*> PresetsOf(const DefNodeList& file) {
    std::vector<const CDefNode*> out;
    if (file.empty()) return out;
    for (const CDefNode* c : file.front()->Children())
        if (platform::EqualsNoCase(c->Name(), "Preset") && c->GetValue(0)) out.push_back(c);
    return out;
}

} // namespace

std::string CheckPresetName(std::string_view name) {
    return format::CheckQuotedText(name);
}

std::string CheckPresetValues(const EnvironmentValues& v) {
    // Only the texts a preset file receives: the sounds and the rain of a
    // switched-off group are not written, so they cannot break the file.
    std::vector<const std::string*> texts{&v.skyTexture, &v.cloudsTexture};
    if (v.weather) {
        texts.push_back(&v.weatherFx);
        texts.push_back(&v.weatherSound);
    }
    if (v.thunder) texts.push_back(&v.thunderSound);
    for (const std::string* text : texts)
        if (std::string problem = format::CheckQuotedText(*text); !problem.empty()) return problem;
    return {};
}

void ReadPreset(const CDefNode& preset, EnvironmentValues& v) {
    double direction[3];
    if (const CDefNode* node = Key(preset, "\"light/direction\"");
        node && node->ValueCount() >= 3 && node->ReadDoublesHere(node->Name(), direction, 3))
        v.direction = {float(direction[0]), float(direction[1]), float(direction[2])};
    ReadColour(preset, "\"light/ambient\"", v.ambient);
    ReadColour(preset, "\"light/diffuse\"", v.diffuse);
    v.night = Key(preset, "\"light/night\"") != nullptr;
    ReadReal(preset, "\"light/night_vision\"", v.nightVision);
    ReadReal(preset, "\"light/lightsIntensity\"", v.intensity);
    ReadColour(preset, "\"light/mtlAmbient\"", v.mtlAmbient);
    ReadColour(preset, "\"light/mtlDiffuse\"", v.mtlDiffuse);
    ReadReal(preset, "\"shadow/alpha\"", v.shadowAlpha);
    ReadColour(preset, "\"shadow/color\"", v.shadowColor);
    ReadInteger(preset, "\"wind/amplitude\"", v.windAmplitude);
    v.haze = Key(preset, "\"haze/enable\"") != nullptr;
    ReadColour(preset, "\"haze/color\"", v.hazeColor);
    ReadInteger(preset, "\"haze/start\"", v.hazeStart);
    ReadInteger(preset, "\"haze/end\"", v.hazeEnd);
    ReadText(preset, "\"sky/texture\"", v.skyTexture);
    ReadText(preset, "\"cloudsonwater/texture\"", v.cloudsTexture);
    v.weather = Key(preset, "\"weather/enable\"") != nullptr;
    ReadInteger(preset, "\"weather/density\"", v.weatherDensity);
    ReadText(preset, "\"weather/fx\"", v.weatherFx);
    ReadText(preset, "\"weather/sound\"", v.weatherSound);
    v.thunder = Key(preset, "\"thunder/enable\"") != nullptr;
    ReadInteger(preset, "\"thunder/interval\"", v.thunderInterval[0], 0);
    ReadInteger(preset, "\"thunder/interval\"", v.thunderInterval[1], 1);
    ReadColour(preset, "\"thunder/color\"", v.thunderColor);
    ReadText(preset, "\"thunder/sound\"", v.thunderSound);
}

std::unique_ptr<CDefNode> BuildPreset(const std::string& name, const EnvironmentValues& v) {
    auto preset = std::make_unique<CDefNode>();
    std::string quoted = Quote(name);
    preset->Assign("Preset", {quoted});
    CDefNode* p = preset.get();
    using platform::FormatFloat6;
    Add(p, "\"light/direction\"",
        {FormatFloat6(v.direction[0]), FormatFloat6(v.direction[1]), FormatFloat6(v.direction[2])});
    Add(p, "\"light/ambient\"", Colour(v.ambient));
    Add(p, "\"light/diffuse\"", Colour(v.diffuse));
    if (v.night) {
        Add(p, "\"light/night\"");
        Add(p, "\"light/night_vision\"", {FormatFloat6(v.nightVision)});
    }
    Add(p, "\"light/lightsIntensity\"", {FormatFloat6(v.intensity)});
    Add(p, "\"light/mtlAmbient\"", Colour(v.mtlAmbient));
    Add(p, "\"light/mtlDiffuse\"", Colour(v.mtlDiffuse));
    Add(p, "\"shadow/alpha\"", {FormatFloat6(v.shadowAlpha)});
    Add(p, "\"shadow/color\"", Colour(v.shadowColor));
    Add(p, "\"wind/amplitude\"", {platform::FormatUnsigned(v.windAmplitude)});
    if (v.haze) {
        Add(p, "\"haze/enable\"");
        Add(p, "\"haze/color\"", Colour(v.hazeColor));
        Add(p, "\"haze/start\"", {platform::FormatInt(v.hazeStart)});
        Add(p, "\"haze/end\"", {platform::FormatInt(v.hazeEnd)});
    }
    if (!v.skyTexture.empty()) Add(p, "\"sky/texture\"", {Quote(v.skyTexture)});
    Add(p, "\"sky/size\"", {"1", "1"});
    if (!v.cloudsTexture.empty()) Add(p, "\"cloudsonwater/texture\"", {Quote(v.cloudsTexture)});
    Add(p, "\"cloudsonwater/size\"", {"2", "2"});
    Add(p, "\"cloudsonwater/scrollSpeed\"", {"0.500000", "0.500000"});
    Add(p, "\"cloudsonwater/windSpeed\"", {"0.000100", "0.000100"});
    if (v.weather) {
        Add(p, "\"weather/enable\"");
        Add(p, "\"weather/density\"", {platform::FormatInt(v.weatherDensity)});
        if (!v.weatherFx.empty()) Add(p, "\"weather/fx\"", {Quote(v.weatherFx)});
        if (!v.weatherSound.empty()) Add(p, "\"weather/sound\"", {Quote(v.weatherSound)});
    }
    if (v.thunder) {
        Add(p, "\"thunder/enable\"");
        Add(p, "\"thunder/interval\"",
            {platform::FormatUnsigned(v.thunderInterval[0]),
             platform::FormatUnsigned(v.thunderInterval[1])});
        Add(p, "\"thunder/color\"", Colour(v.thunderColor));
        if (!v.thunderSound.empty()) Add(p, "\"thunder/sound\"", {Quote(v.thunderSound)});
    }
    return preset;
}

CustomPresetLocation CustomPresetLocation::In(const std::filesystem::path& userDataDir,
                                              const std::filesystem::path& programDir) {
    CustomPresetLocation location;
    if (!userDataDir.empty()) location.userFile = userDataDir / "environment.set";
    if (!programDir.empty()) location.programFile = programDir / "environment.set";
    return location;
}

std::filesystem::path CustomPresetLocation::FileToRead() const {
    std::error_code ec;
    if (programFile.empty() || std::filesystem::exists(userFile, ec)) return FileToWrite();
    return programFile;
}

const std::filesystem::path& CustomPresetLocation::FileToWrite() const {
    return userFile.empty() ? programFile : userFile;
}

std::vector<std::string> CEnvironmentPresets::PresetNames(std::string* lastCustom) const {
    std::vector<std::string> names;
    for (const CDefNode* p : PresetsOf(m_game))
        names.push_back(platform::StripQuotes(p->GetValue(0)));
    CDefFile custom(ReadFile());
    for (const CDefNode* p : PresetsOf(custom.Nodes())) {
        names.push_back(platform::StripQuotes(p->GetValue(0)));
        if (lastCustom) *lastCustom = names.back();
    }
    return names;
}

bool CEnvironmentPresets::LoadPresetValues(const std::string& name, EnvironmentValues& values,
                                           bool* fromCustom) const {
    std::string quoted = Quote(name);
    if (fromCustom) *fromCustom = false;
    for (const auto& root : m_game)
        if (const CDefNode* preset = root->Find("Preset", quoted.c_str())) {
            ReadPreset(*preset, values);
            return true;
        }
    CDefFile custom(ReadFile());
    for (const auto& root : custom.Nodes())
        if (const CDefNode* preset = root->Find("Preset", quoted.c_str())) {
            ReadPreset(*preset, values);
            if (fromCustom) *fromCustom = true;
            return true;
        }
    return false;
}

PresetResult CEnvironmentPresets::SaveCustomPreset(const std::string& name,
                                                   const EnvironmentValues& values) const {
    PresetResult result;
    result.refusal = CheckPresetName(name);
    if (result.refusal.empty()) result.refusal = CheckPresetValues(values);
    if (!result.refusal.empty()) return result;
    auto root = std::make_unique<CDefNode>();
    root->Assign("Environment", {});
    root->AppendChild(BuildPreset(name, values));
    format::StringSink sink;
    root->WriteNode(sink);
    // The user's data folder does not exist before the first save.
    std::error_code ec;
    if (m_customFile.has_parent_path())
        std::filesystem::create_directories(m_customFile.parent_path(), ec);
    result.done = platform::WriteFileAtomically(m_customFile, sink.text);
    return result;
}

std::string MissionPresetName(const CVarnholtMapEditorDoc& doc) {
    CDefNode* root = doc.WorkingRoot();
    CDefNode* env = doc.Kind() == Mission && root ? root->FindChild("Environment") : nullptr;
    return env && env->GetValue(0) ? platform::StripQuotes(env->GetValue(0)) : std::string();
}

PresetResult ApplyEnvironment(CVarnholtMapEditorDoc& doc, const std::string& name, bool addSky) {
    PresetResult result;
    CDefNode* root = doc.WorkingRoot();
    if (doc.Kind() != Mission || !root) return result;
    // A quote in the name would end the Environment block's value early and
    // swallow the blocks after it at the next load: every entity would be lost.
    result.refusal = CheckPresetName(name);
    if (!result.refusal.empty()) return result;
    CVarnholtMapEditorDoc::Edit edit(doc, "Environment Settings");
    std::string quoted = Quote(name);
    if (CDefNode* env = root->FindChild("Environment")) {
        env->SetValue(0, quoted);
    } else {
        auto node = std::make_unique<CDefNode>();
        node->Assign("Environment", {quoted});
        root->InsertChild(0, std::move(node));
    }
    if (addSky) {
        for (CDefNode* c : root->Children()) {
            const char* type = c->GetValue(0);
            if (platform::EqualsNoCase(c->Name(), "Entity") && type &&
                platform::StripQuotes(type) == "sky") {
                doc.DeleteElement(c);
                break;
            }
        }
        double b[4] = {0, 0, 0, 0};
        if (CDefNode* bound = doc.MapRoot() ? doc.MapRoot()->FindChild("WorldBound") : nullptr)
            for (size_t i = 0; i < 4; ++i)
                bound->GetFloat(i, b[i]);
        double x = (b[0] + b[2]) / 2, y = (b[1] + b[3]) / 2;
        double r = std::max(std::fabs(b[2] - b[0]), std::fabs(b[3] - b[1])) / 2;
        if (CDefNode* sky = doc.InsertSection("Entity")) {
            sky->SetValue(0, "sky");
            CDefNode* position = sky->AddChild("Position");
            position->SetFloat(0, x);
            position->SetFloat(1, y);
            position->SetFloat(2, -100.0);
            sky->AddChildFloat("Turn", 46.6371);
            sky->AddChild("Constrain", "zero");
            sky->AddChildFloat("OffsetZ", -100.0);
            sky->AddChildFloat("Scale", r * 0.0028915664);
        }
    }
    result.done = true;
    return result;
}

std::string ResourceRelativePath(const std::string& resourceDir, const std::string& chosen) {
    std::string dir = resourceDir;
    while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    std::string rest = chosen;
    if (!dir.empty() && chosen.size() > dir.size() && chosen.compare(0, dir.size(), dir) == 0 &&
        (chosen[dir.size()] == '/' || chosen[dir.size()] == '\\'))
        rest = chosen.substr(dir.size());
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return rest;
}

} // namespace document
