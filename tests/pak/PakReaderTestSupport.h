#pragma once

// Helpers for the archive reader tests: an archive builder that writes the
// records byte by byte (so tests can make archives no archiver would), file
// helpers and a very small JSON reader for the manifests of shared test data.

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

namespace pak_reader_test {

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// One member as the builder writes it; the optional fields override what the
// data would give, to make archives that lie.
struct TestMember {
    TestMember(std::string memberName, std::string memberData = {}, uint16_t memberMethod = 0)
        : name(std::move(memberName)), data(std::move(memberData)), method(memberMethod) {}

    std::string name;
    std::string data;
    uint16_t method = 0; // 0 stored or 8 deflated
    uint16_t flags = 0;
    uint32_t externalAttributes = 0x20;
    uint16_t versionNeeded = 20;
    uint16_t dosDate = (24 << 9) | (6 << 5) | 15;   // 2004-06-15
    uint16_t dosTime = (12 << 11) | (30 << 5) | 10; // 12:30:20
    std::string comment;
    std::optional<uint32_t> crc;
    std::optional<uint32_t> uncompressedSize;
};

inline void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// Builds an archive: prefix bytes (offsets not adjusted for them), the
// members, the central directory, the end record with comment, then trailer.
inline std::string BuildZip(const std::vector<TestMember>& members, const std::string& comment = {},
                            const std::string& prefix = {}, const std::string& trailer = {}) {
    std::string body;
    std::string central;
    for (const auto& m : members) {
        std::string payload = m.method == 8 ? RawDeflate(m.data) : m.data;
        uint32_t crc = m.crc.value_or(Crc(m.data));
        uint32_t usize = m.uncompressedSize.value_or(static_cast<uint32_t>(m.data.size()));
        uint32_t offset = static_cast<uint32_t>(body.size());
        std::string fields;
        Put16(fields, m.flags);
        Put16(fields, m.method);
        Put16(fields, m.dosTime);
        Put16(fields, m.dosDate);
        Put32(fields, crc);
        Put32(fields, static_cast<uint32_t>(payload.size()));
        Put32(fields, usize);
        Put16(fields, static_cast<uint32_t>(m.name.size()));
        body += std::string("PK\x03\x04", 4);
        Put16(body, m.versionNeeded);
        body += fields;
        Put16(body, 0);
        body += m.name + payload;
        central += std::string("PK\x01\x02", 4);
        Put16(central, 20);
        Put16(central, m.versionNeeded);
        central += fields;
        Put16(central, 0);
        Put16(central, static_cast<uint32_t>(m.comment.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, m.externalAttributes);
        Put32(central, offset);
        central += m.name + m.comment;
    }
    std::string out = prefix + body + central;
    out += std::string("PK\x05\x06", 4);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(members.size()));
    Put16(out, static_cast<uint32_t>(members.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, static_cast<uint32_t>(body.size()));
    Put16(out, static_cast<uint32_t>(comment.size()));
    return out + comment + trailer;
}

// Enough JSON for the shared manifests: objects, arrays, strings, numbers,
// true, false and null. Strings keep their escapes undecoded.
struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const {
        static const Json none;
        auto it = fields.find(key);
        return it == fields.end() ? none : it->second;
    }
};

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : m_s(text) {}

    Json Parse() {
        Space();
        Json v;
        if (m_i >= m_s.size()) return v;
        char c = m_s[m_i];
        if (c == '{') {
            v.kind = Json::Object;
            ++m_i;
            for (Space(); m_i < m_s.size() && m_s[m_i] != '}'; Space()) {
                std::string key = Parse().text;
                Space();
                ++m_i; // ':'
                v.fields[key] = Parse();
                Space();
                if (m_s[m_i] == ',') ++m_i;
            }
            ++m_i;
        } else if (c == '[') {
            v.kind = Json::Array;
            ++m_i;
            for (Space(); m_i < m_s.size() && m_s[m_i] != ']'; Space()) {
                v.items.push_back(Parse());
                Space();
                if (m_s[m_i] == ',') ++m_i;
            }
            ++m_i;
        } else if (c == '"') {
            v.kind = Json::String;
            for (++m_i; m_i < m_s.size() && m_s[m_i] != '"'; ++m_i) {
                if (m_s[m_i] == '\\') v.text += m_s[m_i++];
                v.text += m_s[m_i];
            }
            ++m_i;
        } else if (c == 't' || c == 'f' || c == 'n') {
            v.kind = c == 'n' ? Json::Null : Json::Bool;
            v.boolean = c == 't';
            while (m_i < m_s.size() && std::isalpha(static_cast<unsigned char>(m_s[m_i])))
                ++m_i;
        } else {
            v.kind = Json::Number;
            size_t used = 0;
            v.number = std::stod(m_s.substr(m_i, 32), &used);
            m_i += used;
        }
        return v;
    }

  private:
    void Space() {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i])))
            ++m_i;
    }
    const std::string& m_s;
    size_t m_i = 0;
};

inline std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// The path of a member name below a folder, its levels split on '/'.
inline std::filesystem::path MemberPath(const std::filesystem::path& root,
                                        const std::string& name) {
    std::filesystem::path p = root;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        if (end > start) p /= name.substr(start, end - start);
        start = end + 1;
    }
    return p;
}

} // namespace pak_reader_test
