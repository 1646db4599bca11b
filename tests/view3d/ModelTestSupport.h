#pragma once

#include "MeshTestSupport.h"
#include "resources/ResourceCatalogue.h"
#include "support/TestSupport.h"
#include "view3d/ModelCache.h"

#include <gtest/gtest.h>

#include <fstream>

namespace model_test {

namespace fs = std::filesystem;

// A TGA header of a picture of w x h pixels (the pixels themselves are not
// needed to learn its size).
inline std::string Tga(uint16_t w, uint16_t h) {
    std::string out(18, '\0');
    out[2] = 2;
    out[12] = static_cast<char>(w & 0xFF);
    out[13] = static_cast<char>(w >> 8);
    out[14] = static_cast<char>(h & 0xFF);
    out[15] = static_cast<char>(h >> 8);
    out[16] = 32;
    out[17] = 8;
    return out + std::string(static_cast<size_t>(w) * h * 4, '\x7f');
}

// A resource folder written file by file, with a catalogue over it.
class ModelFixture : public ::testing::Test {
  protected:
    testing_support::TempDir m_tmp;
    fs::path m_res = m_tmp.path() / "res";
    resources::CResourceCatalogue m_catalogue{nullptr, nullptr, nullptr};
    std::vector<std::string> m_list;

    void SetUp() override {
        fs::create_directories(m_res);
        m_catalogue.SetGamePath((m_tmp.path() / "game").string());
        m_catalogue.SetResourceDir(m_res.string());
    }

    // Writes a file below the resource folder; returns its full path.
    std::string Write(const std::string& relative, const std::string& content) {
        fs::path path = m_res / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    // Catalogues the entity folders written so far below entity/test.
    void Scan() { m_catalogue.ScanEntities("entity", "test", m_list, 9); }
    const resources::CEntityEntry& Entry(const std::string& name) {
        const resources::CEntityEntry* entry = m_catalogue.FindEntity(name);
        EXPECT_NE(entry, nullptr) << name;
        return *entry;
    }
};

} // namespace model_test
