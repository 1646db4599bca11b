#include "pak/LegacyDecoders.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using pak::DecodeResult;
using Bytes = std::vector<unsigned char>;

// What these tests need of one archive member.
struct ZipMember {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint64_t size = 0;
    Bytes data; // the compressed bytes
};

uint32_t Le(const Bytes& b, size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + i);
    return v;
}

// A deliberately small zip reader, independent of the archive code under
// development: it finds the end record, walks the central directory and takes
// each member's data from behind its local header. Offsets are shifted by any
// bytes found before the archive. Malformed archives throw std::out_of_range.
std::vector<ZipMember> ReadZip(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    Bytes zip((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t end = zip.size() < 22 ? std::string::npos : zip.size() - 22;
    while (end != std::string::npos && Le(zip, end, 4) != 0x06054b50)
        end = end == 0 ? std::string::npos : end - 1;
    if (end == std::string::npos) throw std::out_of_range("no end record in " + path.string());
    uint32_t entries = Le(zip, end + 10, 2), cdSize = Le(zip, end + 12, 4),
             cdOffset = Le(zip, end + 16, 4);
    size_t shift = end - cdSize - cdOffset;
    std::vector<ZipMember> members;
    for (size_t at = cdOffset + shift; entries-- > 0;) {
        if (Le(zip, at, 4) != 0x02014b50) throw std::out_of_range("bad central entry");
        ZipMember m;
        m.flags = static_cast<uint16_t>(Le(zip, at + 8, 2));
        m.method = static_cast<uint16_t>(Le(zip, at + 10, 2));
        m.crc = Le(zip, at + 16, 4);
        uint32_t packed = Le(zip, at + 20, 4);
        m.size = Le(zip, at + 24, 4);
        size_t nameLen = Le(zip, at + 28, 2), extraLen = Le(zip, at + 30, 2),
               commentLen = Le(zip, at + 32, 2);
        size_t local = Le(zip, at + 42, 4) + shift;
        m.name.assign(reinterpret_cast<const char*>(&zip.at(at + 46)), nameLen);
        if (Le(zip, local, 4) != 0x04034b50) throw std::out_of_range("bad local header");
        size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
        if (data + packed > zip.size()) throw std::out_of_range("member data past the end");
        m.data.assign(zip.begin() + data, zip.begin() + data + packed);
        members.push_back(std::move(m));
        at += 46 + nameLen + extraLen + commentLen;
    }
    return members;
}

// Hands out the bytes at most chunk at a time, to exercise every refill path.
class MemoryInput : public pak::DecodeInput {
  public:
    MemoryInput(const Bytes& data, size_t chunk = SIZE_MAX) : m_data(data), m_chunk(chunk) {}
    size_t Read(unsigned char* dst, size_t max) override {
        size_t n = std::min({max, m_chunk, m_data.size() - m_pos});
        if (n > 0) std::memcpy(dst, m_data.data() + m_pos, n);
        m_pos += n;
        return n;
    }

  private:
    const Bytes& m_data;
    size_t m_chunk;
    size_t m_pos = 0;
};

class CollectingOutput : public pak::DecodeOutput {
  public:
    Bytes bytes;
    size_t writes = 0;
    size_t largestBlock = 0;
    size_t failOnWrite = SIZE_MAX; // the 1-based write that returns false

    bool Write(const unsigned char* data, size_t size) override {
        ++writes;
        largestBlock = std::max(largestBlock, size);
        if (writes >= failOnWrite) return false;
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
};

bool IsLegacy(const ZipMember& m) {
    return m.method >= 1 && m.method <= 6;
}

DecodeResult Decode(const ZipMember& m, pak::DecodeInput& in, uint64_t size,
                    pak::DecodeOutput& out) {
    if (m.method == 1) return pak::Unshrink(in, size, out);
    if (m.method == 6) return pak::Explode(in, m.flags, size, out);
    return pak::Unreduce(in, m.method - 1, size, out);
}

DecodeResult Decode(const ZipMember& m, const Bytes& data, uint64_t size, CollectingOutput& out,
                    size_t chunk = SIZE_MAX) {
    MemoryInput in(data, chunk);
    return Decode(m, in, size, out);
}

uint32_t Crc(const Bytes& b) {
    return static_cast<uint32_t>(
        crc32(crc32(0, nullptr, 0), b.data(), static_cast<uInt>(b.size())));
}

// ---------------------------------------------------------------------------
// Every shrunk, reduced and imploded member of the real archives decodes exactly.

class LegacyArchiveTest : public testing::TestWithParam<const char*> {};

TEST_P(LegacyArchiveTest, EveryLegacyMemberDecodesToItsSizeAndCrc) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    auto members = ReadZip(shared / GetParam());
    int decoded = 0;
    for (const ZipMember& m : members) {
        if (!IsLegacy(m)) continue;
        SCOPED_TRACE(m.name + " method " + std::to_string(m.method) + " flags " +
                     std::to_string(m.flags));
        // Input handed over a byte at a time must not change a thing.
        for (size_t chunk : {SIZE_MAX, size_t{1}}) {
            CollectingOutput out;
            ASSERT_EQ(Decode(m, m.data, m.size, out, chunk), DecodeResult::Ok);
            EXPECT_EQ(out.bytes.size(), m.size);
            EXPECT_EQ(Crc(out.bytes), m.crc);
        }
        ++decoded;
    }
    EXPECT_GT(decoded, 0);
}

INSTANTIATE_TEST_SUITE_P(
    SharedArchives, LegacyArchiveTest,
    testing::Values("zip/oz_example-s.zip", "zip/oz_example-r.zip", "zip/oz_example-i.zip",
                    "zip/oz_example.zip", "zip/cc_SHRUNK.ZIP", "zip/cc_imploding-4Kdict-2trees.zip",
                    "zip/cc_imploding-8Kdict-3trees.zip", "zip/cc_lorem-ipsum-implode.zip",
                    "zip/la_test_compat_zip_implode.zip",
                    "zip/la_test_compat_zip_implode_realloc.zip", "zip/sc_Zip.shrink.zip",
                    "zip/sc_Zip.reduce1.zip", "zip/sc_Zip.reduce2.zip", "zip/sc_Zip.reduce3.zip",
                    "zip/sc_Zip.reduce4.zip", "zip/sc_Zip.implode.zip", "zip/zr_shrink.zip",
                    "zip/zr_reduce.zip", "zip/zr_implode.zip", "adversarial/zip/shrink_valid.zip"),
    [](const testing::TestParamInfo<const char*>& info) {
        std::string name = std::filesystem::path(info.param).stem().string();
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

// ---------------------------------------------------------------------------
// Streaming behaviour, checked on one real member of each kind.

class LegacyStreamingTest : public testing::Test {
  protected:
    void SetUp() override {
        auto shared = testing_support::SharedTestData();
        if (shared.empty()) GTEST_SKIP() << "shared test data folder not found";
        for (const char* archive :
             {"zip/sc_Zip.shrink.zip", "zip/sc_Zip.reduce1.zip", "zip/sc_Zip.reduce4.zip",
              "zip/cc_imploding-4Kdict-2trees.zip", "zip/cc_lorem-ipsum-implode.zip"}) {
            for (ZipMember& m : ReadZip(shared / archive)) {
                if (IsLegacy(m)) m_members.push_back(std::move(m));
            }
        }
        ASSERT_FALSE(m_members.empty());
    }

    std::vector<ZipMember> m_members;
};

TEST_F(LegacyStreamingTest, OutputStopsAtTheDeclaredSize) {
    for (const ZipMember& m : m_members) {
        SCOPED_TRACE(m.name);
        CollectingOutput full, cut;
        ASSERT_EQ(Decode(m, m.data, m.size, full), DecodeResult::Ok);
        ASSERT_EQ(Decode(m, m.data, m.size / 3, cut), DecodeResult::Ok);
        EXPECT_TRUE(std::equal(cut.bytes.begin(), cut.bytes.end(), full.bytes.begin()));
        EXPECT_EQ(cut.bytes.size(), m.size / 3);
    }
}

TEST_F(LegacyStreamingTest, DataEndingBeforeTheDeclaredSizeIsBadData) {
    for (const ZipMember& m : m_members) {
        SCOPED_TRACE(m.name);
        for (size_t keep : {size_t{0}, size_t{1}, m.data.size() / 2}) {
            Bytes part(m.data.begin(), m.data.begin() + keep);
            CollectingOutput out;
            EXPECT_EQ(Decode(m, part, m.size, out), DecodeResult::BadData) << keep;
            EXPECT_LT(out.bytes.size(), m.size);
        }
        // A size claimed far beyond the data fails once the data runs out,
        // having passed on everything it did decode.
        CollectingOutput out;
        EXPECT_EQ(Decode(m, m.data, uint64_t{1} << 40, out), DecodeResult::BadData);
        EXPECT_GE(out.bytes.size(), m.size);
    }
}

TEST_F(LegacyStreamingTest, OutputComesInBoundedBlocksAndAFailedWriteStopsAtOnce) {
    const ZipMember& large =
        *std::max_element(m_members.begin(), m_members.end(),
                          [](const ZipMember& a, const ZipMember& b) { return a.size < b.size; });
    ASSERT_GT(large.size, 65536u);
    CollectingOutput out;
    ASSERT_EQ(Decode(large, large.data, large.size, out), DecodeResult::Ok);
    EXPECT_GT(out.writes, 1u);
    EXPECT_LE(out.largestBlock, 65536u);

    for (const ZipMember& m : m_members) {
        SCOPED_TRACE(m.name);
        CollectingOutput failing;
        failing.failOnWrite = 1;
        EXPECT_EQ(Decode(m, m.data, m.size, failing), DecodeResult::OutputFailed);
        EXPECT_EQ(failing.writes, 1u);
    }
}

// ---------------------------------------------------------------------------
// Hostile and hand-made streams.

ZipMember FindMember(const std::filesystem::path& archive, const std::string& name) {
    for (ZipMember& m : ReadZip(archive)) {
        if (m.name == name) return m;
    }
    ADD_FAILURE() << name << " not in " << archive;
    return {};
}

TEST(LegacyHostileTest, MalformedShrinkAndImplodeMembersAreBadData) {
    VM_REQUIRE_SHARED_TESTDATA(shared);
    auto dir = shared / "adversarial/zip";
    // Code widths past 13 bits, a first code that is not a byte, a code from beyond the table.
    for (const char* name : {"codesize14.bin", "badfirst.bin", "futurecode.bin"}) {
        ZipMember m = FindMember(dir / "shrink_bad.zip", name);
        CollectingOutput out;
        EXPECT_EQ(Decode(m, m.data, m.size, out), DecodeResult::BadData) << name;
    }
    // Bit-length runs that describe more symbols than the distance code has.
    ZipMember m = FindMember(dir / "implode_tree_overflow.zip", "imploded.bin");
    CollectingOutput out;
    EXPECT_EQ(Decode(m, m.data, m.size, out), DecodeResult::BadData);
    EXPECT_TRUE(out.bytes.empty());
}

class BitWriter {
  public:
    BitWriter& Put(uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i, ++m_used) {
            if (m_used % 8 == 0) m_bytes.push_back(0);
            m_bytes.back() |= static_cast<unsigned char>(((value >> i) & 1) << (m_used % 8));
        }
        return *this;
    }
    BitWriter& Bytes(std::initializer_list<unsigned char> bytes) {
        for (unsigned char b : bytes)
            Put(b, 8);
        return *this;
    }
    const ::Bytes& Data() const { return m_bytes; }

  private:
    ::Bytes m_bytes;
    unsigned m_used = 0;
};

DecodeResult DecodeBits(DecodeResult (*decode)(pak::DecodeInput&, uint64_t, pak::DecodeOutput&),
                        const BitWriter& bits, uint64_t size, Bytes* output = nullptr) {
    MemoryInput in(bits.Data());
    CollectingOutput out;
    DecodeResult r = decode(in, size, out);
    if (output) *output = out.bytes;
    return r;
}

TEST(LegacyHandMadeTest, ShrinkRejectsUnknownCommandsAndSelfReferencingCodes) {
    EXPECT_EQ(
        DecodeBits(pak::Unshrink, BitWriter().Put('a', 9).Put(256, 9).Put(3, 9).Put('b', 9), 2),
        DecodeResult::BadData);

    // "aa" is defined as 257 and used at once; the prune then frees it, so the
    // next definition lands on 257 with 257 itself as its prefix.
    BitWriter loop;
    loop.Put('a', 9).Put(257, 9).Put(256, 9).Put(2, 9).Put('b', 9).Put(257, 9);
    Bytes output;
    EXPECT_EQ(DecodeBits(pak::Unshrink, loop, 100, &output), DecodeResult::BadData);
    EXPECT_EQ(std::string(output.begin(), output.end()), "aaab");
}

DecodeResult Reduce1(pak::DecodeInput& in, uint64_t size, pak::DecodeOutput& out) {
    return pak::Unreduce(in, 1, size, out);
}

TEST(LegacyHandMadeTest, ReduceRunsReachingBeforeTheStartReadZeros) {
    BitWriter bits;
    for (int i = 0; i < 256; ++i)
        bits.Put(0, 6); // no follower sets: every byte is stored plainly
    // 'x'; the marker escaped; a run of 2+3 bytes from 10 back; a run of 1+3 from 7 back.
    bits.Bytes({'x', 0x90, 0x00, 0x90, 0x02, 9, 0x90, 0x01, 6});
    Bytes output;
    ASSERT_EQ(DecodeBits(Reduce1, bits, 11, &output), DecodeResult::Ok);
    EXPECT_EQ(output, (Bytes{'x', 0x90, 0, 0, 0, 0, 0, 'x', 0x90, 0, 0}));
}

TEST(LegacyHandMadeTest, ReduceRejectsImpossibleFollowerSets) {
    BitWriter tooMany;
    tooMany.Put(33, 6);
    EXPECT_EQ(DecodeBits(Reduce1, tooMany, 1), DecodeResult::BadData);

    // Byte 0 has three followers, so an index needs 2 bits and 3 is out of range.
    BitWriter badIndex;
    for (int i = 0; i < 255; ++i)
        badIndex.Put(0, 6);
    badIndex.Put(3, 6).Bytes({'a', 'b', 'c'}).Put(0, 1).Put(3, 2);
    EXPECT_EQ(DecodeBits(Reduce1, badIndex, 1), DecodeResult::BadData);
}

// Two codes of 64 symbols, all 6 bits long: symbol s is stored as the 6 bits
// of s inverted, most significant first.
BitWriter& PutSixBitSymbol(BitWriter& bits, unsigned symbol) {
    for (int i = 5; i >= 0; --i)
        bits.Put(((symbol >> i) & 1) ^ 1, 1);
    return bits;
}

DecodeResult Explode4K(pak::DecodeInput& in, uint64_t size, pak::DecodeOutput& out) {
    return pak::Explode(in, 0, size, out);
}

TEST(LegacyHandMadeTest, ImplodeMatchesOverlapAndReachBeforeTheStart) {
    BitWriter bits;
    bits.Bytes({3, 0xF5, 0xF5, 0xF5, 0xF5}).Bytes({3, 0xF5, 0xF5, 0xF5, 0xF5});
    bits.Put(1, 1).Put('y', 8);
    bits.Put(0, 1).Put(0, 6); // distance 1, length 0+2: overlapping copy of 'y'
    PutSixBitSymbol(bits, 0);
    PutSixBitSymbol(bits, 0);
    bits.Put(0, 1).Put(4, 6); // distance 5, length 1+2: two bytes from before the start
    PutSixBitSymbol(bits, 0);
    PutSixBitSymbol(bits, 1);
    Bytes output;
    ASSERT_EQ(DecodeBits(Explode4K, bits, 6, &output), DecodeResult::Ok);
    EXPECT_EQ(output, (Bytes{'y', 'y', 'y', 0, 0, 'y'}));
}

TEST(LegacyHandMadeTest, ImplodeRejectsIncompleteAndOversubscribedCodes) {
    for (unsigned char run : {0xF6, 0xF4}) { // 64 codes of 7 bits leave gaps; of 5 bits, overlap
        BitWriter bits;
        bits.Bytes({3, run, run, run, run}).Bytes({3, 0xF5, 0xF5, 0xF5, 0xF5}).Put(0xFFFF, 16);
        EXPECT_EQ(DecodeBits(Explode4K, bits, 1), DecodeResult::BadData) << int(run);
    }
}

} // namespace
