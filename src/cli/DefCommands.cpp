#include "cli/CliCommands.h"

#include "format/DefParser.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* kDefUsage =
    "Usage: vmed def SUBCOMMAND ...\n"
    "\n"
    "Definition files are the game's brace-structured text files (.def, .set, .mi,\n"
    "maps, model descriptions). Text is read and written as Windows-1252 bytes.\n"
    "\n"
    "  vmed def check FILE...\n"
    "      Parse each file and print 'FILE: N nodes' (every node of the tree).\n"
    "      What was read with trouble (blocks left open, text outside any block,\n"
    "      a NUL or control bytes, a quote or comment running to the end) goes to\n"
    "      standard error as 'FILE:LINE: message'.\n"
    "      Exit 0 when every file is clean, 1 when any file had problems, 2 when\n"
    "      a file cannot be read.\n"
    "  vmed def fmt FILE [-o OUT]\n"
    "      Parse FILE and write the tree back in the editor's layout (TAB\n"
    "      indentation, CR LF line ends, comments kept before their blocks) to\n"
    "      OUT, or to standard output. OUT is replaced only once it is complete.\n"
    "  vmed def dump FILE\n"
    "      Print the tree as JSON (UTF-8): an array of top-level nodes, each\n"
    "      {\"name\": ..., \"values\": [...], \"children\": [...]} with \"comment\"\n"
    "      when the node has a leading comment and \"locked\": true when locked.\n";

size_t CountAll(const DefNodeList& roots) {
    size_t n = 0;
    for (const auto& r : roots)
        n += r->CountNodes();
    return n;
}

bool Readable(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && platform::ReadWholeFile(path).has_value();
}

int Check(const std::vector<std::string>& files) {
    if (files.empty()) {
        std::fputs("vmed def check: no file given\n", stderr);
        return 1;
    }
    int rc = 0;
    for (const auto& file : files) {
        if (!Readable(file)) {
            std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
            rc = 2;
            continue;
        }
        DefNodeList roots;
        std::vector<format::ParseProblem> problems;
        ParseDefinitionFile(file, roots, &problems);
        std::printf("%s: %zu nodes\n", file.c_str(), CountAll(roots));
        for (const auto& p : problems)
            std::fprintf(stderr, "%s:%zu: %s\n", file.c_str(), p.line, p.message.c_str());
        if (!problems.empty() && rc == 0) rc = 1;
    }
    return rc;
}

int Fmt(const std::vector<std::string>& args) {
    std::string in, out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) {
                std::fputs("vmed def fmt: -o needs a file name\n", stderr);
                return 1;
            }
            out = args[++i];
        } else if (in.empty()) {
            in = args[i];
        } else {
            std::fprintf(stderr, "vmed def fmt: unexpected argument '%s'\n", args[i].c_str());
            return 1;
        }
    }
    if (in.empty()) {
        std::fputs("vmed def fmt: no file given\n", stderr);
        return 1;
    }
    if (!Readable(in)) {
        std::fprintf(stderr, "%s: cannot be read\n", in.c_str());
        return 2;
    }
    DefNodeList roots;
    ParseDefinitionFile(in, roots);
    format::StringSink sink;
    for (const auto& r : roots)
        r->WriteNode(sink);
    if (out.empty()) {
        std::fwrite(sink.text.data(), 1, sink.text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    if (!platform::WriteFileAtomically(out, sink.text)) {
        std::fprintf(stderr, "%s: cannot be written\n", out.c_str());
        return 2;
    }
    return 0;
}

void JsonString(std::string& out, std::string_view cp1252) {
    out += '"';
    for (unsigned char c : platform::Cp1252ToUtf8(cp1252)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void JsonNodeHead(std::string& out, const CDefNode& node) {
    out += "{\"name\": ";
    JsonString(out, node.Name());
    out += ", \"values\": [";
    bool first = true;
    for (auto v : node.Values()) {
        if (!first) out += ", ";
        first = false;
        JsonString(out, v);
    }
    out += "]";
    if (!node.LeadingComment().empty()) {
        out += ", \"comment\": ";
        JsonString(out, node.LeadingComment());
    }
    if (node.locked) out += ", \"locked\": true";
    out += ", \"children\": [";
}

// Iterative so that the deepest trees print without exhausting the stack.
void JsonTree(std::string& out, const DefNodeList& roots) {
    out += "[";
    for (size_t r = 0; r < roots.size(); ++r) {
        if (r) out += ", ";
        JsonNodeHead(out, *roots[r]);
        std::vector<std::pair<const CDefNode*, size_t>> stack{{roots[r].get(), 0}};
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next == node->ChildCount()) {
                out += "]}";
                stack.pop_back();
                continue;
            }
            if (next) out += ", ";
            const CDefNode* child = node->Child(next++);
            JsonNodeHead(out, *child);
            stack.emplace_back(child, 0);
        }
    }
    out += "]\n";
}

int Dump(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("vmed def dump: give exactly one file\n", stderr);
        return 1;
    }
    if (!Readable(args[0])) {
        std::fprintf(stderr, "%s: cannot be read\n", args[0].c_str());
        return 2;
    }
    DefNodeList roots;
    ParseDefinitionFile(args[0], roots);
    std::string out;
    JsonTree(out, roots);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}

} // namespace

int RunDefCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs(kDefUsage, stderr);
        return 1;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kDefUsage, stdout);
        return 0;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const auto& a : rest) {
        if (a == "--help" || a == "-h") {
            std::fputs(kDefUsage, stdout);
            return 0;
        }
    }
    if (args[0] == "check") return Check(rest);
    if (args[0] == "fmt") return Fmt(rest);
    if (args[0] == "dump") return Dump(rest);
    std::fprintf(stderr, "vmed def: unknown subcommand '%s'\n\n%s", args[0].c_str(), kDefUsage);
    return 1;
}
