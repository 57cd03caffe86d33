// CEditCtrl: reading and writing the whole text as a file.
#include "editor/editctrl/EditCtrl.h"

#include "platform/Paths.h"

#include <vector>

std::string CEditCtrl::MakeGlobalText(const std::string& text, bool crlf)
{
    if (!crlf)
        return text;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

bool CEditCtrl::LoadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path, bytes))
        return false; // the text stays as it was
    SetWindowText(std::string(bytes.begin(), bytes.end()));
    return true;
}

bool CEditCtrl::SaveFile(const std::string& path)
{
    const std::string out = MakeGlobalText(m_strText.Str(), true);
    if (!platform::WriteFileAtomic(path, out.data(), out.size()))
        return false;
    MarkSaved();
    return true;
}
