#pragma once

#include "view3d/RenderDevice.h"

#include <array>
#include <string>

namespace view3d {

// Everything the program needs for one draw, gathered from the device's
// states: transforms, lighting, the two texture stages and the vertex layout.
struct FixedFunctionState {
    glm::mat4 world{1.0f}, view{1.0f}, projection{1.0f};
    bool lighting = true;
    bool colourVertex = true;
    bool flatShading = false;
    glm::vec4 globalAmbient{0.0f};
    Material material;
    std::array<Light, 2> lights{};
    std::array<bool, 2> lightOn{};
    bool hasNormal = false;
    bool hasColour = false;
    struct Stage {
        uint32_t colourOp = OpDisable, colourArg1 = ArgTexture, colourArg2 = ArgCurrent;
        uint32_t alphaOp = OpDisable, alphaArg1 = ArgTexture, alphaArg2 = ArgCurrent;
        bool hasTexture = false;
    };
    std::array<Stage, 2> stages{};
};

// The shader program that does on the graphics card what the scene expects
// of a fixed-function pipeline: per-vertex lighting by two directional
// lights and an ambient colour with the material (the vertex colour standing
// in for the diffuse material where the states say so), and two texture
// stages combining texture, lit colour and the previous stage's result.
// Depth range and culling follow the scene's conventions; the program maps
// the scene's 0..1 depth onto OpenGL's.
class GlFixedFunctionProgram {
  public:
    // Builds the program in the current context; false with the compiler's
    // message in error when it does not build.
    bool Build(std::string* error);
    ~GlFixedFunctionProgram();

    // Makes the program current and sends it the state. Texture stages use
    // texture units 0 and 1.
    void Apply(const FixedFunctionState& state);
    // Forgets what was last sent, so the next Apply sends everything (the
    // program may have been used by others in between).
    void Forget() { m_lastValid = false; }
    // Forgets the program without deleting it (its context is gone).
    void Abandon() { m_program = 0; }

    // Vertex attribute locations.
    static constexpr uint32_t kPosition = 0, kNormal = 1, kColour = 2, kTexCoord0 = 3,
                              kTexCoord1 = 4;

  private:
    int Location(const char* name) const;

    uint32_t m_program = 0;
    // What the program's uniforms hold: a draw with the same state sends
    // nothing again, which matters with tens of thousands of draws a frame.
    FixedFunctionState m_last{};
    bool m_lastValid = false;
    struct Locations {
        int world, view, projection, normalMatrix, lighting, colourVertex, flat, globalAmbient;
        int matDiffuse, matAmbient, matEmissive, hasNormal, hasColour;
        int lightOn[2], lightDirection[2], lightDiffuse[2], lightAmbient[2];
        int colourOp[2], colourArg1[2], colourArg2[2], alphaOp[2], alphaArg1[2], alphaArg2[2];
        int hasTexture[2], sampler[2];
    } m_loc{};
};

} // namespace view3d
