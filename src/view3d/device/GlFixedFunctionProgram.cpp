#include "view3d/device/GlFixedFunctionProgram.h"

#include <cstring>

#include <epoxy/gl.h>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat3x3.hpp>

#include <string>

namespace view3d {

namespace {

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord0;
layout(location = 4) in vec2 aTexCoord1;

uniform mat4 uWorld;
uniform mat4 uView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform bool uLighting;
uniform bool uColourVertex;
uniform bool uHasNormal;
uniform bool uHasColour;
uniform vec4 uGlobalAmbient;
uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatEmissive;
uniform bool uLightOn[2];
uniform vec3 uLightDirection[2]; // towards the light, in view space
uniform vec4 uLightDiffuse[2];
uniform vec4 uLightAmbient[2];

out vec4 vDiffuse;
flat out vec4 vDiffuseFlat;
out vec2 vTexCoord0;
out vec2 vTexCoord1;

void main() {
    vec4 position = uProjection * (uView * (uWorld * vec4(aPosition, 1.0)));
    // The scene's depth runs from 0 to 1; OpenGL clips at -1.
    position.z = 2.0 * position.z - position.w;
    gl_Position = position;

    vec4 vertexColour = uHasColour ? aColour : vec4(1.0);
    vec4 colour = vertexColour;
    if (uLighting) {
        vec4 diffuse = (uColourVertex && uHasColour) ? aColour : uMatDiffuse;
        vec3 normal = vec3(0.0);
        if (uHasNormal && dot(aNormal, aNormal) > 0.0)
            normal = normalize(uNormalMatrix * aNormal);
        vec3 lit = uMatEmissive.rgb + uMatAmbient.rgb * uGlobalAmbient.rgb;
        for (int i = 0; i < 2; ++i) {
            if (!uLightOn[i]) continue;
            lit += uMatAmbient.rgb * uLightAmbient[i].rgb;
            lit += diffuse.rgb * uLightDiffuse[i].rgb * max(dot(normal, uLightDirection[i]), 0.0);
        }
        colour = vec4(clamp(lit, 0.0, 1.0), diffuse.a);
    }
    vDiffuse = colour;
    vDiffuseFlat = colour;
    vTexCoord0 = aTexCoord0;
    vTexCoord1 = aTexCoord1;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
flat in vec4 vDiffuseFlat;
in vec2 vTexCoord0;
in vec2 vTexCoord1;

uniform bool uFlat;
uniform sampler2D uSampler0;
uniform sampler2D uSampler1;
uniform bool uHasTexture[2];
uniform int uColourOp[2];
uniform int uColourArg1[2];
uniform int uColourArg2[2];
uniform int uAlphaOp[2];
uniform int uAlphaArg1[2];
uniform int uAlphaArg2[2];

out vec4 fragColour;

const int OpDisable = 1;
const int OpSelectArg1 = 2;
const int OpSelectArg2 = 3;
const int OpModulate = 4;
const int OpBlendDiffuseAlpha = 12;
const int ArgCurrent = 1;
const int ArgTexture = 2;

vec4 Argument(int which, vec4 diffuse, vec4 current, vec4 texel) {
    if (which == ArgTexture) return texel;
    if (which == ArgCurrent) return current;
    return diffuse;
}

vec4 Combine(int op, vec4 a1, vec4 a2, float diffuseAlpha) {
    if (op == OpSelectArg2) return a2;
    if (op == OpModulate) return a1 * a2;
    if (op == OpBlendDiffuseAlpha) return mix(a2, a1, diffuseAlpha);
    return a1;
}

void main() {
    vec4 diffuse = uFlat ? vDiffuseFlat : vDiffuse;
    // A stage without a texture reads white, so an untextured mesh shows
    // its lit colour.
    vec4 texel[2];
    texel[0] = uHasTexture[0] ? texture(uSampler0, vTexCoord0) : vec4(1.0);
    texel[1] = uHasTexture[1] ? texture(uSampler1, vTexCoord1) : vec4(1.0);
    vec4 current = diffuse;
    for (int s = 0; s < 2; ++s) {
        if (uColourOp[s] == OpDisable) break;
        // A later stage without a texture of its own has nothing to add: the
        // colour so far goes on (a ground with one texture keeps it).
        if (s > 0 && !uHasTexture[s]) break;
        vec3 colour = Combine(uColourOp[s], Argument(uColourArg1[s], diffuse, current, texel[s]),
                              Argument(uColourArg2[s], diffuse, current, texel[s]),
                              diffuse.a).rgb;
        float alpha = current.a;
        if (uAlphaOp[s] != OpDisable)
            alpha = Combine(uAlphaOp[s], Argument(uAlphaArg1[s], diffuse, current, texel[s]),
                            Argument(uAlphaArg2[s], diffuse, current, texel[s]), diffuse.a).a;
        current = vec4(colour, alpha);
    }
    fragColour = current;
}
)";

GLuint Compile(GLenum kind, const char* source, std::string* error) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    if (error) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        *error = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
                 " shader does not compile: " + log;
    }
    glDeleteShader(shader);
    return 0;
}

} // namespace

GlFixedFunctionProgram::~GlFixedFunctionProgram() {
    if (m_program) glDeleteProgram(m_program);
}

int GlFixedFunctionProgram::Location(const char* name) const {
    return glGetUniformLocation(m_program, name);
}

bool GlFixedFunctionProgram::Build(std::string* error) {
    GLuint vertex = Compile(GL_VERTEX_SHADER, kVertexShader, error);
    if (!vertex) return false;
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, kFragmentShader, error);
    if (!fragment) {
        glDeleteShader(vertex);
        return false;
    }
    m_program = glCreateProgram();
    glAttachShader(m_program, vertex);
    glAttachShader(m_program, fragment);
    glLinkProgram(m_program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (!ok) {
        if (error) {
            char log[2048] = {};
            glGetProgramInfoLog(m_program, sizeof log, nullptr, log);
            *error = std::string("shader program does not link: ") + log;
        }
        glDeleteProgram(m_program);
        m_program = 0;
        return false;
    }

    Locations& l = m_loc;
    l.world = Location("uWorld");
    l.view = Location("uView");
    l.projection = Location("uProjection");
    l.normalMatrix = Location("uNormalMatrix");
    l.lighting = Location("uLighting");
    l.colourVertex = Location("uColourVertex");
    l.flat = Location("uFlat");
    l.globalAmbient = Location("uGlobalAmbient");
    l.matDiffuse = Location("uMatDiffuse");
    l.matAmbient = Location("uMatAmbient");
    l.matEmissive = Location("uMatEmissive");
    l.hasNormal = Location("uHasNormal");
    l.hasColour = Location("uHasColour");
    for (int i = 0; i < 2; ++i) {
        auto at = [&](const char* name) {
            return Location((std::string(name) + "[" + std::to_string(i) + "]").c_str());
        };
        l.lightOn[i] = at("uLightOn");
        l.lightDirection[i] = at("uLightDirection");
        l.lightDiffuse[i] = at("uLightDiffuse");
        l.lightAmbient[i] = at("uLightAmbient");
        l.colourOp[i] = at("uColourOp");
        l.colourArg1[i] = at("uColourArg1");
        l.colourArg2[i] = at("uColourArg2");
        l.alphaOp[i] = at("uAlphaOp");
        l.alphaArg1[i] = at("uAlphaArg1");
        l.alphaArg2[i] = at("uAlphaArg2");
        l.hasTexture[i] = at("uHasTexture");
    }
    l.sampler[0] = Location("uSampler0");
    l.sampler[1] = Location("uSampler1");
    glUseProgram(m_program);
    glUniform1i(l.sampler[0], 0);
    glUniform1i(l.sampler[1], 1);
    return true;
}

void GlFixedFunctionProgram::Apply(const FixedFunctionState& s) {
    glUseProgram(m_program);
    // Byte-equal states are equal states (the other way round only costs a
    // resend).
    if (m_lastValid && std::memcmp(&s, &m_last, sizeof s) == 0) return;
    std::memcpy(static_cast<void*>(&m_last), &s, sizeof s);
    m_lastValid = true;
    const Locations& l = m_loc;
    glUniformMatrix4fv(l.world, 1, GL_FALSE, glm::value_ptr(s.world));
    glUniformMatrix4fv(l.view, 1, GL_FALSE, glm::value_ptr(s.view));
    glUniformMatrix4fv(l.projection, 1, GL_FALSE, glm::value_ptr(s.projection));
    // Lighting happens in view space, where the eye looks along an axis and
    // the lights' directions are turned with the camera.
    glm::mat3 modelView(s.view * s.world);
    glm::mat3 normalMatrix = glm::transpose(glm::inverse(modelView));
    glUniformMatrix3fv(l.normalMatrix, 1, GL_FALSE, glm::value_ptr(normalMatrix));
    glUniform1i(l.lighting, s.lighting);
    glUniform1i(l.colourVertex, s.colourVertex);
    glUniform1i(l.flat, s.flatShading);
    glUniform4fv(l.globalAmbient, 1, glm::value_ptr(s.globalAmbient));
    glUniform4fv(l.matDiffuse, 1, glm::value_ptr(s.material.diffuse));
    glUniform4fv(l.matAmbient, 1, glm::value_ptr(s.material.ambient));
    glUniform4fv(l.matEmissive, 1, glm::value_ptr(s.material.emissive));
    glUniform1i(l.hasNormal, s.hasNormal);
    glUniform1i(l.hasColour, s.hasColour);
    for (int i = 0; i < 2; ++i) {
        const Light& light = s.lights[static_cast<size_t>(i)];
        glm::vec3 towards = glm::mat3(s.view) * -light.direction;
        if (glm::dot(towards, towards) > 0.0f) towards = glm::normalize(towards);
        glUniform1i(l.lightOn[i], s.lightOn[static_cast<size_t>(i)]);
        glUniform3fv(l.lightDirection[i], 1, glm::value_ptr(towards));
        glUniform4fv(l.lightDiffuse[i], 1, glm::value_ptr(light.diffuse));
        glUniform4fv(l.lightAmbient[i], 1, glm::value_ptr(light.ambient));
        const FixedFunctionState::Stage& stage = s.stages[static_cast<size_t>(i)];
        glUniform1i(l.colourOp[i], static_cast<GLint>(stage.colourOp));
        glUniform1i(l.colourArg1[i], static_cast<GLint>(stage.colourArg1));
        glUniform1i(l.colourArg2[i], static_cast<GLint>(stage.colourArg2));
        glUniform1i(l.alphaOp[i], static_cast<GLint>(stage.alphaOp));
        glUniform1i(l.alphaArg1[i], static_cast<GLint>(stage.alphaArg1));
        glUniform1i(l.alphaArg2[i], static_cast<GLint>(stage.alphaArg2));
        glUniform1i(l.hasTexture[i], stage.hasTexture);
    }
}

} // namespace view3d
