#include "editor/status/PromptStrings.h"

namespace {

struct Prompt {
    unsigned id;
    const char* text;
};

constexpr Prompt kPrompts[] = {
    {32820, "Sace Script As"},
    {32821, "Load other Script"},
    {40005, "Exit with SaveCheck"},
    {40007, "HTML Reference "},
    {40008, "ShowInfo"},
    {40009, "Start DebugView"},
    {40015, "Start Debug with LineTrace"},
    {40018, "Dump on Trace/Break"},
    {57603, "Save Script"},
};

} // namespace

bool LoadPromptString(unsigned id, std::string& out)
{
    out.clear();
    for (const Prompt& p : kPrompts)
        if (p.id == id) {
            out = p.text;
            return true;
        }
    return false;
}
