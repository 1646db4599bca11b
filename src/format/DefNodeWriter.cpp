#include "format/DefNode.h"
#include "format/DefNodeInternal.h"

#include <cstring>

namespace format {

void FileSink::Write(const char* data, size_t size) {
    m_buffer.append(data, size);
    if (m_buffer.size() >= (1u << 20)) Flush();
}

bool FileSink::Flush() {
    if (!m_buffer.empty()) {
        if (!m_file || std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            m_failed = true;
        m_buffer.clear();
    }
    return !m_failed;
}

} // namespace format

namespace {

void AppendTabs(std::string& line, int depth) {
    if (depth > 0) line.append(static_cast<size_t>(depth), '\t');
}

// Output is gathered in one buffer and handed to the sink in large pieces.
constexpr size_t kFlushAt = 64 * 1024;

void FlushIfFull(std::string& line, format::DefSink& sink) {
    if (line.size() >= kFlushAt) {
        sink.Write(line.data(), line.size());
        line.clear();
    }
}

// Appends "{" name values, then either "}" or the line end that opens the
// child list. Returns whether children follow.
bool WriteOpening(const CDefNode& node, std::string& line, format::DefSink& sink) {
    FlushIfFull(line, sink);
    AppendTabs(line, node.depth);
    const std::string& comment = node.LeadingComment();
    if (!comment.empty()) {
        line += "\r\n";
        line += comment;
        AppendTabs(line, node.depth);
    }
    // "{" and the packed name and values with every NUL turned into a space,
    // unless an empty value would leave a double space: those take the slow way.
    std::string_view packed = DefParserAccess::Packed(node);
    size_t start = line.size();
    line.resize(start + 1 + packed.size());
    char* out = line.data() + start;
    *out++ = '{';
    std::memcpy(out, packed.data(), packed.size());
    bool emptyValue = !packed.empty() && packed.back() == '\0';
    for (char* p = out; (p = static_cast<char*>(std::memchr(
                             p, '\0', static_cast<size_t>(line.data() + line.size() - p))));) {
        *p++ = ' ';
        if (*p == '\0') emptyValue = true;
    }
    if (emptyValue) {
        line.resize(start + 1);
        line += node.Name();
        const char* v = DefParserAccess::FirstValue(node);
        for (size_t i = 0, n = node.ValueCount(); i < n; ++i) {
            size_t length = std::strlen(v);
            if (length) {
                line += ' ';
                line.append(v, length);
            }
            v += length + 1;
        }
    }
    if (node.ChildCount() == 0) {
        line += "}\r\n";
        return false;
    }
    line += "\r\n";
    return true;
}

bool Writable(const CDefNode& node) {
    return !node.Name().empty() && !node.locked;
}

} // namespace

bool CDefNode::WriteNode(format::DefSink& sink) const {
    if (Name().empty()) return false;
    if (locked) return true;
    std::string line;
    line.reserve(1024);
    if (!WriteOpening(*this, line, sink)) {
        sink.Write(line.data(), line.size());
        return true;
    }

    // Explicit stack of (node, next child to write), so that no depth of
    // nesting can exhaust the call stack.
    std::vector<std::pair<const CDefNode*, size_t>> stack{{this, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next < node->ChildCount()) {
            const CDefNode* child = node->Child(next++);
            if (Writable(*child) && WriteOpening(*child, line, sink)) stack.emplace_back(child, 0);
            continue;
        }
        FlushIfFull(line, sink);
        AppendTabs(line, node->depth);
        line += "}\r\n";
        stack.pop_back();
    }
    sink.Write(line.data(), line.size());
    return true;
}

bool CDefNode::WriteNode(FILE* file) const {
    format::FileSink sink(file);
    bool written = WriteNode(sink);
    sink.Flush();
    return written;
}
