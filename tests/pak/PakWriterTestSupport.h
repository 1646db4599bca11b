#pragma once

// Helpers for the archive writer tests: a reader of raw archive records written
// independently of the product code, a builder for archives no ordinary tool would make,
// and small file and process helpers.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <zlib.h>

namespace pak_test {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command, collecting stdout and stderr together.
inline CommandResult RunCommand(const std::string& command) {
    CommandResult r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline bool HaveTool(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null").exitCode == 0;
}

// Runs a python3 script given as text with the arguments appended to sys.argv.
inline CommandResult Python(const std::filesystem::path& folder, const std::string& script,
                            const std::string& args = "") {
    auto file = folder / "script.py";
    WriteBytes(file, script);
    return RunCommand("python3 " + Quote(file.string()) + " " + args);
}

inline uint16_t U16(const std::string& s, size_t at) {
    return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}
inline uint32_t U32(const std::string& s, size_t at) {
    return uint32_t(U16(s, at)) | (uint32_t(U16(s, at + 2)) << 16);
}
inline void P16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
inline void P32(std::string& s, uint32_t v) {
    P16(s, v & 0xFFFF);
    P16(s, v >> 16);
}

// One member as the raw bytes of an archive show it.
struct RawMember {
    std::string name;
    std::string central;     // the central header with its offset field zeroed
    std::string localRecord; // local header, name, extra, data and descriptor
    uint16_t versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0;
    uint16_t dosTime = 0, dosDate = 0, internalAttributes = 0;
    uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0, externalAttributes = 0;
    uint32_t offset = 0;
    std::string localExtra, centralExtra;
};

struct RawArchive {
    std::vector<RawMember> members;
    std::string comment;
    uint64_t prefix = 0; // bytes in front of the archive that its offsets leave out
};

// Reads an archive's structure straight from its bytes: the last end record, the central
// directory (shifted past a prepended stub when the offsets do not count it) and each
// member's local record. Nullopt when the bytes do not add up.
inline std::optional<RawArchive> ParseRaw(const std::string& z) {
    if (z.size() < 22) return std::nullopt;
    size_t end = z.size() - 22 + 1;
    while (end-- > 0)
        if (U32(z, end) == 0x06054B50 && end + 22 + U16(z, end + 20) <= z.size()) break;
    if (end == size_t(-1)) return std::nullopt;
    RawArchive a;
    uint32_t count = U16(z, end + 10), size = U32(z, end + 12), offset = U32(z, end + 16);
    if (uint64_t(offset) + size > end) return std::nullopt;
    a.prefix = end - offset - size;
    a.comment = z.substr(end + 22, U16(z, end + 20));
    size_t p = offset + a.prefix;
    for (uint32_t i = 0; i < count; ++i) {
        if (p + 46 > z.size() || U32(z, p) != 0x02014B50) return std::nullopt;
        RawMember m;
        m.versionMadeBy = U16(z, p + 4);
        m.versionNeeded = U16(z, p + 6);
        m.flags = U16(z, p + 8);
        m.method = U16(z, p + 10);
        m.dosTime = U16(z, p + 12);
        m.dosDate = U16(z, p + 14);
        m.crc = U32(z, p + 16);
        m.compressedSize = U32(z, p + 20);
        m.uncompressedSize = U32(z, p + 24);
        size_t n = U16(z, p + 28), e = U16(z, p + 30), c = U16(z, p + 32);
        m.internalAttributes = U16(z, p + 36);
        m.externalAttributes = U32(z, p + 38);
        m.offset = U32(z, p + 42);
        m.central = z.substr(p, 46 + n + e + c);
        m.central.replace(42, 4, 4, '\0');
        m.name = z.substr(p + 46, n);
        m.centralExtra = z.substr(p + 46 + n, e);
        p += 46 + n + e + c;

        size_t l = m.offset + a.prefix;
        if (l + 30 > z.size() || U32(z, l) != 0x04034B50) return std::nullopt;
        size_t ln = U16(z, l + 26), le = U16(z, l + 28);
        m.localExtra = z.substr(l + 30 + ln, le);
        size_t length = 30 + ln + le + m.compressedSize;
        if (U16(z, l + 6) & 8) {
            bool sig = l + length + 4 <= z.size() && U32(z, l + length) == 0x08074B50;
            length += sig ? 16 : 12;
        }
        if (l + length > z.size()) return std::nullopt;
        m.localRecord = z.substr(l, length);
        a.members.push_back(std::move(m));
    }
    return a;
}

inline const RawMember* FindMember(const RawArchive& a, const std::string& name) {
    for (const auto& m : a.members)
        if (m.name == name) return &m;
    return nullptr;
}

inline uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Writes archives byte by byte, for layouts that ordinary tools never produce: data
// descriptors with and without signature, prefixes, and deliberately broken fields.
class ZipBuilder {
  public:
    struct Member {
        std::string name;
        std::string data;        // stored as is (method 0)
        bool descriptor = false; // flag bit 3, sizes in a descriptor behind the data
        bool descriptorSignature = true;
    };

    void Add(Member m) { m_members.push_back(std::move(m)); }
    void SetComment(std::string c) { m_comment = std::move(c); }

    std::string Build() const {
        std::string out, central;
        for (const auto& m : m_members) {
            uint32_t offset = static_cast<uint32_t>(out.size());
            uint32_t crc = Crc(m.data), size = static_cast<uint32_t>(m.data.size());
            uint16_t flags = m.descriptor ? 8 : 0;
            P32(out, 0x04034B50);
            P16(out, 10);
            P16(out, flags);
            P16(out, 0);
            P16(out, 0x6000);
            P16(out, 0x3021);
            P32(out, m.descriptor ? 0 : crc);
            P32(out, m.descriptor ? 0 : size);
            P32(out, m.descriptor ? 0 : size);
            P16(out, static_cast<uint16_t>(m.name.size()));
            P16(out, 0);
            out += m.name + m.data;
            if (m.descriptor) {
                if (m.descriptorSignature) P32(out, 0x08074B50);
                P32(out, crc);
                P32(out, size);
                P32(out, size);
            }
            P32(central, 0x02014B50);
            P16(central, 20);
            P16(central, 10);
            P16(central, flags);
            P16(central, 0);
            P16(central, 0x6000);
            P16(central, 0x3021);
            P32(central, crc);
            P32(central, size);
            P32(central, size);
            P16(central, static_cast<uint16_t>(m.name.size()));
            P16(central, 0);
            P16(central, 0);
            P16(central, 0);
            P16(central, 0);
            P32(central, 0x20);
            P32(central, offset);
            central += m.name;
        }
        std::string end;
        P32(end, 0x06054B50);
        P32(end, 0);
        P16(end, static_cast<uint16_t>(m_members.size()));
        P16(end, static_cast<uint16_t>(m_members.size()));
        P32(end, static_cast<uint32_t>(central.size()));
        P32(end, static_cast<uint32_t>(out.size()));
        P16(end, static_cast<uint16_t>(m_comment.size()));
        return out + central + end + m_comment;
    }

  private:
    std::vector<Member> m_members;
    std::string m_comment;
};

} // namespace pak_test
