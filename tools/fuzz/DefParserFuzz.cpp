// Feeds arbitrary bytes to the definition parser in document mode, then
// writes the tree back, reparses it and round-trips it through the archive
// form. Any crash, leak or sanitizer report is a finding.
#include "format/DefArchive.h"
#include "format/DefParser.h"
#include "platform/Prompts.h"

#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    static std::vector<uint32_t> ids(format::kRegistrySize), mids(format::kRegistrySize);
    std::fill(ids.begin(), ids.end(), 0);
    std::fill(mids.begin(), mids.end(), 0);
    platform::SilentPrompts prompts;
    format::DuplicateChecks checks{ids.data(), mids.data(), &prompts};

    CDefScanner scanner = CDefScanner::FromText(text);
    DefNodeList roots;
    while (ParseBlocks(scanner, nullptr, roots, checks, size % 2 == 1)) {
    }
    for (auto& r : roots)
        r->locked = false;

    // Written text grows with the sum of all depths (one TAB per level and
    // line); deep chains are written only while that stays small.
    size_t indentation = 0;
    for (const auto& r : roots) {
        std::vector<const CDefNode*> stack{r.get()};
        while (!stack.empty() && indentation < 1000000) {
            const CDefNode* n = stack.back();
            stack.pop_back();
            indentation += static_cast<size_t>(n->depth);
            for (const CDefNode* c : n->Children())
                stack.push_back(c);
        }
    }
    format::StringSink sink;
    if (indentation < 1000000)
        for (const auto& r : roots)
            r->WriteNode(sink);
    DefNodeList again;
    ParseDefinitionText(sink.text, again);

    if (!roots.empty()) {
        CDefArchive store;
        roots.front()->Serialize(store);
        CDefArchive load(store.Bytes());
        CDefNode copy;
        if (!copy.Serialize(load)) __builtin_trap();
    }
    // Loading arbitrary bytes as an archive must fail or succeed cleanly.
    CDefArchive hostile(text);
    CDefNode node;
    node.Serialize(hostile);
    return 0;
}
