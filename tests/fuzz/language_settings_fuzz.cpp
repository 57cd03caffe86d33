// fuzz max_len: 65536
// Editor language settings of any content, read from a file and from the text,
// then the outline built over text that follows a NUL byte (or over the
// settings themselves) and edited: the tables keep their rules and the outline
// tree stays ordered, never overlapping and inside its parents.
#include "editor/editctrl/LanguageSettings.h"
#include "editor/outline_fixture.h"
#include "fuzz_file.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckTables(const CLanguageSettings& s)
{
    size_t previous = CLanguageSettings::kMaxBlockString;
    int wholeText = 0;
    for (const auto& b : s.m_lstBlocks) {
        Check(b.strStart.size() <= previous && b.strEnd.size() <= CLanguageSettings::kMaxBlockString);
        previous = b.strStart.size();
        if (b.bWholeText) {
            Check(!b.strStart.empty() && !b.strEnd.empty());
            ++wholeText;
        }
    }
    Check(wholeText <= 1);
    for (const auto& [key, info] : s.m_mapKeywords)
        if (!info.bCaseSensitive)
            for (char c : key)
                Check(!std::islower(static_cast<unsigned char>(c)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string settings = input.substr(0, nul);

    const std::string path =
        fuzzfile::Put("lua.xml", reinterpret_cast<const uint8_t*>(settings.data()), settings.size());

    TextOutline outline(nul == std::string::npos ? settings : input.substr(nul + 1));
    outline.Enable();
    CLanguageSettings s;
    s.SetOutlining(&outline);
    Check(s.LoadSettings(path));
    CheckTables(s);
    s.ParseSettings(settings);  // a second read into the same control
    CheckTables(s);

    outline.StartOutlining();
    Check(CheckOutlineTree(outline.m_OutlineRoot).empty());
    // a few edits at places taken from the input
    for (size_t i = 0; i < 8 && i < size; ++i) {
        const int length = static_cast<int>(outline.text.size());
        const int at = length ? data[i] * 131 % (length + 1) : 0;
        if (data[i] & 1)
            outline.Insert(at, (data[i] & 2) ? "{" : "}\n");
        else if (at < length)
            outline.Erase(at, std::min(length - at, 1 + data[i] % 5));
        Check(CheckOutlineTree(outline.m_OutlineRoot).empty());
    }
    outline.StopOutlining();
    Check(outline.m_OutlineRoot.Children().empty());
    return 0;
}
