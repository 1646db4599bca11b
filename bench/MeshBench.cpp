// Reading mesh files: a deterministic ground-like mesh of 32,400 vertices and
// 64,082 faces in four material chunks (about 2 MB), written once in each
// vertex layout, then read, and read and built into placed parts.
#include "view3d/MeshFile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kSide = 180;

void Put32(std::string& out, uint32_t v) {
    char b[4];
    std::memcpy(b, &v, 4);
    out.append(b, 4);
}
void PutFloat(std::string& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    Put32(out, bits);
}

// A grid with gentle relief; each quarter of its rows is a chunk of its own.
std::string GridMesh(uint32_t vertexSize, uint32_t mode) {
    std::string out = "BENCHMSH";
    for (float f : {0.0f, 0.0f, -20.0f, float(kSide), float(kSide), 0.0f})
        PutFloat(out, f);
    const uint32_t quadsPerRow = kSide - 1;
    const uint32_t rows = kSide - 1;
    for (uint32_t c = 0; c < 4; ++c) {
        uint32_t first = rows * c / 4, last = rows * (c + 1) / 4;
        out += "MESHR";
        out += '\1';
        out += std::string(6, '\0');
        Put32(out, (last - first) * quadsPerRow * 2);
        Put32(out, mode);
        std::string name = "/texture/common/ground/bench" + std::to_string(c) + ".dds.tex";
        out += static_cast<char>(name.size());
        out += name;
    }
    out += "MESHX";
    out += '\1';
    out += std::string(6, '\0');
    Put32(out, 0);
    Put32(out, mode);
    out += '\5';
    out += "n.dds";
    out += "VERT";
    Put32(out, kSide * kSide);
    Put32(out, vertexSize);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            float h = -10.0f - 5.0f * std::sin(x * 0.1f) * std::cos(y * 0.07f);
            for (float f : {float(x), float(y), h})
                PutFloat(out, f);
            if (vertexSize != 24)
                for (float f : {0.0f, 0.0f, -1.0f})
                    PutFloat(out, f);
            if (vertexSize == 44 && mode == 84) {
                PutFloat(out, 1.0f);
                PutFloat(out, 0.0f);
            }
            Put32(out, 0xFF508040);
            PutFloat(out, x / 32.0f);
            PutFloat(out, y / 32.0f);
            if (vertexSize == 44 && mode != 84) {
                PutFloat(out, x / 8.0f);
                PutFloat(out, y / 8.0f);
            }
        }
    }
    out += "IND4";
    Put32(out, rows * quadsPerRow * 6);
    for (uint32_t y = 0; y < rows; ++y) {
        for (uint32_t x = 0; x < quadsPerRow; ++x) {
            uint32_t a = y * kSide + x;
            for (uint32_t i : {a, a + 1, a + kSide + 1, a, a + kSide + 1, a + kSide})
                Put32(out, i);
        }
    }
    out += std::string("END\0", 4);
    return out;
}

const std::string& Mesh(int layout) {
    static const std::string meshes[4] = {GridMesh(24, 0), GridMesh(36, 0), GridMesh(44, 0),
                                          GridMesh(44, 84)};
    return meshes[layout];
}

const char* kLayoutNames[4] = {"24", "36", "44", "44_mode84"};

void BM_ReadMesh(benchmark::State& state) {
    const std::string& bytes = Mesh(static_cast<int>(state.range(0)));
    std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    for (auto _ : state) {
        view3d::MeshFile mesh;
        std::string error;
        if (!view3d::ReadMeshFile(view, mesh, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.SetLabel(kLayoutNames[state.range(0)]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadMesh)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Read, then every chunk compacted into a part and moved by a bone chain:
// what loading one bone of a skeleton model costs.
void BM_ReadAndBuildParts(benchmark::State& state) {
    const std::string& bytes = Mesh(static_cast<int>(state.range(0)));
    std::span<const uint8_t> view(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    view3d::PositionTransform chain;
    chain.ThenOffset({1.0f, 2.0f, 3.0f});
    glm::mat4 turn(1.0f);
    turn[0] = {0.8f, 0.6f, 0.0f, 0.0f};
    turn[1] = {-0.6f, 0.8f, 0.0f, 0.0f};
    chain.Then(turn);
    for (auto _ : state) {
        view3d::MeshFile mesh;
        std::string error;
        if (!view3d::ReadMeshFile(view, mesh, error)) state.SkipWithError(error.c_str());
        auto parts = view3d::BuildChunkMeshes(mesh, 0, mesh.chunks.size(), chain, true);
        benchmark::DoNotOptimize(parts.data());
    }
    state.SetLabel(kLayoutNames[state.range(0)]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadAndBuildParts)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
