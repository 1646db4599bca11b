// The recording device itself: planned failures, loss and reset, and the
// rules that make it a fair stand-in for a real device in scene tests.

#include "view3d/RecordingDevice.h"
#include "view3d/ModelData.h"

#include <gtest/gtest.h>

using namespace view3d;

namespace {

TEST(RecordingDeviceTest, PlannedFailuresHitTheChosenCallOnce) {
    RecordingDevice device;
    device.FailCall("CreateVertexBuffer", DeviceResult::OutOfVideoMemory, 1);
    VertexBufferHandle a, b, c;
    EXPECT_EQ(device.CreateVertexBuffer(12, 0, FvfXyz, Pool::Default, a), DeviceResult::Ok);
    EXPECT_EQ(device.CreateVertexBuffer(12, 0, FvfXyz, Pool::Default, b),
              DeviceResult::OutOfVideoMemory);
    EXPECT_FALSE(b);
    EXPECT_EQ(device.CreateVertexBuffer(12, 0, FvfXyz, Pool::Default, c), DeviceResult::Ok);
    EXPECT_EQ(device.Log()[1], "CreateVertexBuffer 12 0 2 default failed 0x8876017C");
    // An empty buffer is refused, as a real device refuses it.
    EXPECT_EQ(device.CreateVertexBuffer(0, 0, FvfXyz, Pool::Default, b), DeviceResult::InvalidCall);
}

TEST(RecordingDeviceTest, LockedBytesPersistAndABufferCannotBeLockedTwice) {
    RecordingDevice device;
    IndexBufferHandle ib;
    ASSERT_EQ(device.CreateIndexBuffer(6, UsageWriteOnly, IndexFormat::Index16, Pool::Default, ib),
              DeviceResult::Ok);
    std::span<uint8_t> bytes, again;
    ASSERT_EQ(device.Lock(ib, LockMode::ReadWrite, bytes), DeviceResult::Ok);
    ASSERT_EQ(bytes.size(), 6u);
    bytes[5] = 7;
    EXPECT_EQ(device.Lock(ib, LockMode::ReadOnly, again), DeviceResult::InvalidCall);
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(device.Unlock(ib), DeviceResult::Ok);
    EXPECT_EQ(device.IndexBytes(ib)[5], 7);
    EXPECT_EQ(device.Unlock(ib), DeviceResult::InvalidCall);
    device.Release(ib);
    EXPECT_EQ(device.Lock(ib, LockMode::ReadOnly, again), DeviceResult::InvalidCall);
}

TEST(RecordingDeviceTest, LossNeedsAResetThatRestoresDefaultStates) {
    RecordingDevice device;
    TextureHandle texture;
    std::vector<uint8_t> pixels(4 * 4 * 4 + 2 * 2 * 4 + 4);
    ASSERT_EQ(device.CreateTexture({TextureFormat::Rgba8, 4, 4, 3, false}, pixels, Pool::Managed,
                                   texture),
              DeviceResult::Ok);
    EXPECT_EQ(device.CreateTexture({TextureFormat::Dxt1, 8, 8, 1, false},
                                   std::span(pixels).first(16), Pool::Managed, texture),
              DeviceResult::InvalidCall); // 8 x 8 DXT1 needs 32 bytes
    device.SetRenderState(RenderState::ZEnable, 0);
    device.SetLost(true);
    EXPECT_EQ(device.Present(), DeviceResult::DeviceLost);
    EXPECT_EQ(device.Reset({100, 100, true}), DeviceResult::InvalidCall);
    device.SetLost(false);
    EXPECT_EQ(device.TestCooperativeLevel(), DeviceResult::DeviceNotReset);
    ASSERT_EQ(device.Reset({100, 100, true}), DeviceResult::Ok);
    EXPECT_EQ(device.TestCooperativeLevel(), DeviceResult::Ok);
    EXPECT_EQ(device.RenderStateValue(RenderState::ZEnable), 1u);
    EXPECT_EQ(device.LiveTextures(), 1u); // managed textures survive
    EXPECT_EQ(device.BackBuffer().backBufferWidth, 100u);
}

} // namespace
