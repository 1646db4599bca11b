#include "CatalogueTestSupport.h"

#include "format/DefParser.h"

using namespace catalogue_test;

namespace {

class ResourceLookupTest : public CatalogueFixture {
  protected:
    fs::path m_tank = m_res / "entity/-vehicle/tank/t34/t34.def";

    void SetUp() override {
        CatalogueFixture::SetUp();
        WriteFile(m_tank, "{Entity}");
        WriteFile(m_res / "entity/-vehicle/tank/t34/T34.MDL", "model");
        WriteFile(m_res / "Models/T34.mdl", "model");
        WriteFile(m_res / "texture/common/wall.tex", "{Texture {Size 64} {Frame \"wall.dds:0\"}}");
        WriteFile(m_res / "texture/common/wall.dds", "dds");
        WriteFile(m_res / "texture/common/wall#winter.tex", "{Texture {Frame \"wall_w.dds\"}}");
        WriteFile(m_res / "texture/common/wall_w.dds", "dds");
        WriteFile(m_res / "entity/-vehicle/tank/t34/body.tex", "{Texture {Frame \"BODY.DDS\"}}");
        WriteFile(m_res / "entity/-vehicle/tank/t34/body.dds", "dds");
        WriteFile(m_res / "texture/common/noframe.tex", "{Texture {Size 64}}");
        WriteFile(m_res / "texture/common/lost.tex", "{Texture {Frame \"gone.dds\"}}");
        WriteFile(m_res / "texture/v1.5/roof#winter.tex", "{Texture {Frame \"roof.dds\"}}");
        WriteFile(m_res / "texture/v1.5/roof.dds", "dds");
    }

    // Parses one node from text; the list keeps it alive.
    CDefNode* Node(const char* text) {
        EXPECT_TRUE(ParseDefinitionText(text, m_nodes));
        return m_nodes.back().get();
    }

    std::string Res(const char* relative) const { return (m_res / relative).string(); }

    DefNodeList m_nodes;
};

TEST_F(ResourceLookupTest, ResourceExistsIgnoresCaseAndJoinsOnce) {
    std::string path;
    EXPECT_TRUE(m_catalogue.ResourceExists("models/t34.MDL", path));
    EXPECT_EQ(path, Res("Models/T34.mdl"));
    EXPECT_TRUE(m_catalogue.ResourceExists("/MODELS\\t34.mdl", path));
    EXPECT_EQ(path, Res("Models/T34.mdl"));
    EXPECT_FALSE(m_catalogue.ResourceExists("models/t35.mdl", path));
    EXPECT_EQ(path, Res("models/t35.mdl"));
}

TEST_F(ResourceLookupTest, ReferencesResolveBelowTheResourcesOrBesideTheFile) {
    std::string file = m_tank.string();
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model \"/models/t34.mdl\"}"), 0, file),
              Res("Models/T34.mdl"));
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model \"t34.mdl\"}"), 0, file),
              Res("entity/-vehicle/tank/t34/T34.MDL"));
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model x \"sub/a.mdl\"}"), 1, file),
              Res("entity/-vehicle/tank/t34/sub/a.mdl"));
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model \"/models/t34.mdl\"}"), 0, file, "winter"),
              Res("winter.mod/models/t34.mdl"));
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model \"t34.mdl\"}"), 0, file, "winter"),
              Res("entity/-vehicle/tank/t34/winter.mod/t34.mdl"));
    EXPECT_EQ(m_catalogue.ResolveReference(Node("{Model \"t34.mdl\"}"), 1, file), "");
    EXPECT_EQ(m_catalogue.ResolveReference(nullptr, 0, file), "");
}

TEST_F(ResourceLookupTest, CompanionsSplitTheFirstValueAndUnquoteTheSecond) {
    CDefNode* node = Node("{Skin \"body.tex:2:b\" \"second\"}");
    auto [name, parameter] = resources::CResourceCatalogue::ReferenceFileAndParameter(node);
    EXPECT_EQ(name, "body.tex");
    EXPECT_EQ(parameter, "2:b");
    EXPECT_EQ(resources::CResourceCatalogue::ReferenceSecondValue(node), "second");
    EXPECT_EQ(resources::CResourceCatalogue::ReferenceFileAndParameter(Node("{Skin plain}")).first,
              "plain");
    EXPECT_EQ(resources::CResourceCatalogue::ReferenceSecondValue(Node("{Skin plain}")), "");
}

TEST_F(ResourceLookupTest, TexturesGoThroughTheirDescriptions) {
    std::string file = m_tank.string();
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/common/wall.tex"),
              Res("texture/common/wall.dds"));
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/common/wall.tex", "winter"),
              Res("texture/common/wall_w.dds"));
    // A variant that does not exist falls back to the plain texture.
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/common/wall.tex", "summer"),
              Res("texture/common/wall.dds"));
    // Relative to the referencing file, whatever the case of the frame's name.
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "body.tex"),
              Res("entity/-vehicle/tank/t34/body.dds"));
    // The variant goes into the file name, not into a dotted folder name.
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/v1.5/roof.tex", "winter"),
              Res("texture/v1.5/roof.dds"));
}

TEST_F(ResourceLookupTest, TexturesThatCannotBeFoundGiveTheLastPathTriedOrNothing) {
    std::string file = m_tank.string();
    EXPECT_EQ(m_catalogue.ResolveTexture(file, ""), "");
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/none.tex"), Res("texture/none.tex"));
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/none.tex", "winter"),
              Res("texture/none.tex"));
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/common/noframe.tex"), "");
    EXPECT_EQ(m_catalogue.ResolveTexture(file, "/texture/common/lost.tex"), "");
}

TEST_F(ResourceLookupTest, MaterialsNameTheirTextureBlendingAndMipmaps) {
    WriteFile(m_res / "texture/common/wall.mtl",
              "{Material {stage 0 \"wall.tex\"} {Blend ALPHA} {Mipmap 1}}");
    WriteFile(m_res / "texture/common/plain.mtl", "{Material {Blend add}} {Other {Mipmap 0}}");
    std::string file = m_tank.string();
    EXPECT_EQ(m_catalogue.MaterialTexture(file, "/texture/common/WALL.mtl"),
              Res("texture/common/wall.dds"));
    EXPECT_EQ(m_catalogue.MaterialTexture(file, "/texture/common/plain.mtl"), "");
    EXPECT_EQ(m_catalogue.MaterialTexture(file, "/texture/none.mtl"), Res("texture/none.mtl"));

    EXPECT_TRUE(m_catalogue.MaterialIsAlphaBlended(Res("texture/common/wall.mtl")));
    EXPECT_TRUE(m_catalogue.MaterialHasMipmaps(Res("texture/common/wall.mtl")));
    EXPECT_FALSE(m_catalogue.MaterialIsAlphaBlended(Res("texture/common/plain.mtl")));
    EXPECT_FALSE(m_catalogue.MaterialHasMipmaps(Res("texture/common/plain.mtl")));
    EXPECT_FALSE(m_catalogue.MaterialIsAlphaBlended(Res("texture/none.mtl")));
}

TEST_F(ResourceLookupTest, CheckEntityTypeKnowsCataloguedTypesAndStaticObjects) {
    WriteFile(m_res / "entity/-vehicle/tank_x/pz-4d_xx.def", "{}");
    std::vector<std::string> list;
    m_catalogue.ScanEntities("entity/-vehicle", "tank", list, resources::CategoryTanks);

    CDefNode* t34 = Node("{Entity \"T34:winter\"}");
    EXPECT_TRUE(resources::CheckEntityType(*t34, m_catalogue));
    EXPECT_TRUE(t34->isUnit);
    CDefNode* pz = Node("{Entity \"pz-4d_xx\"}");
    EXPECT_TRUE(resources::CheckEntityType(*pz, m_catalogue));
    EXPECT_FALSE(pz->isUnit);
    CDefNode* bunker = Node("{Entity \"bunker_x\"}");
    EXPECT_FALSE(resources::CheckEntityType(*bunker, m_catalogue));
    EXPECT_FALSE(bunker->isUnit);
    EXPECT_FALSE(resources::CheckEntityType(*Node("{entity \"t34\"}"), m_catalogue));
    EXPECT_FALSE(resources::CheckEntityType(*Node("{Entity}"), m_catalogue));
}

} // namespace
