// The editor's menu and accelerator commands: files, clipboard, undo, find and
// replace, help.
#include "editor/window/LuaEditor.h"
#include "editor/window/LuaEditorPlacement.h"
#include "foundation/core/FileBuffer.h"
#include "foundation/core/Versions.h"

#include "editor/editctrl/CodePage.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>

namespace {

constexpr char kLuaFilter[] = "Lua script (*.lua)|*.lua|";
constexpr char kLuaManual[] = "https://www.lua.org//manual//5.3//";
constexpr char kLuaSite[] = "https://www.lua.org";
constexpr char kLogFile[] = "quillmont.log";

} // namespace

bool CLuaEditor::OnCommand(unsigned command)
{
    BusyScope busy(*this);
    switch (command) {
    case kFileLoad: OnFileLoad(); return true;
    case kFileSave: OnFileSave(); return true;
    case kFileSaveAs: OnFileSaveAs(); return true;
    case kExit: OnClose(); return true;
    case kEditCopy: m_edit.Copy(); return true;
    case kEditCut: m_edit.Cut(); return true;
    case kEditPaste: m_edit.Paste(-1); return true;
    case kEditUndo: m_edit.Undo(true, true); return true;
    case kEditRedo: m_edit.Redo(true, true); return true;
    case kEditFind: OpenFindReplace(false); return true;
    case kEditReplace: OpenFindReplace(true); return true;
    case kLuaReference: OnLuaReference(); return true;
    case kAbout: OnAbout(); return true;
    case kDebugView: OnDebugView(); return true;
    case kDebugContinue: OnDebugContinue(); return true;
    case kToggleBreakpoint: ToggleBreakpoint(); return true;
    case kSingleStep: OnSingleStep(); return true;
    case kVariableTrace: OnVariableTrace(); return true;
    case kCompile: OnCompile(); return true;
    default: return false;  // F3, Shift+F3 and Ctrl+A have no handler
    }
}

bool CLuaEditor::LoadFile(const std::string& path)
{
    CFileBuffer file;
    size_t count = 0;
    const uint8_t* bytes = file.Load(path, &count);
    if (!bytes || count == 0)
        return false;
    m_strPath = path;
    m_exactPath = false;
    m_edit.SetWindowText(std::string(reinterpret_cast<const char*>(bytes), count));
    m_edit.SetModified(false);
    UpdateTitle(true);
    return true;
}

bool CLuaEditor::OnFileLoad()
{
    const std::string path = m_ui->FileDialog(this, true, "Load Lua", "Script", kLuaFilter, "default.lua");
    if (path.empty())
        return false;
    if (!LoadFile(path)) {
        m_ui->MessageBox(this, "Error Load File", ILuaEditorUi::kButtonsOk);
        return false;
    }
    OnDebugContinue();
    return true;
}

bool CLuaEditor::OnFileSave()
{
    if (m_strPath.empty())
        return OnFileSaveAs();
    const std::string& text = m_edit.GetText();
    CFileBuffer file;
    // an empty text leaves an empty file: 0 bytes written is a success then
    const long written = file.Save(m_strPath, text.data(), long(text.size()), m_exactPath);
    if (written < 0 || size_t(written) != text.size()) {
        m_ui->MessageBox(this, "Error Save File", ILuaEditorUi::kButtonsOk);
        return false;
    }
    OnDebugContinue();
    m_edit.MarkSaved();
    m_edit.SetModified(false);
    UpdateTitle(true);
    if (m_hCompileEvent)
        m_hCompileEvent->Set();
    return true;
}

bool CLuaEditor::OnFileSaveAs()
{
    const std::string path = m_ui->FileDialog(this, false, "Save Lua", "Script", kLuaFilter, m_strPath);
    if (path.empty())
        return false;
    m_strPath = path;
    m_exactPath = true;  // not a file whose name differs only in case
    return OnFileSave();
}

bool CLuaEditor::SaveOnClose()
{
    m_asking = true;
    struct Asked {
        bool& flag;
        ~Asked() { flag = false; }
    } asked{m_asking};
    bool kept = true;
    if (m_edit.IsModified() &&
        m_ui->MessageBox(this, "Save changes ?", ILuaEditorUi::kButtonsYesNo) != ILuaEditorUi::kNo)
        kept = OnFileSave();
    if (!kept)
        return false;  // the user wanted the text kept: the window stays
    SavePlacement();
    return true;
}

void CLuaEditor::GetSearchDefaults(std::string& clipboard, std::string& find) const
{
    // the clipboard's text as the edit control's bytes
    clipboard = editctrl::Utf16ToBytes(QGuiApplication::clipboard()->text().toStdU16String());
    int start = 0, end = 0;
    m_edit.GetSelection(start, end);
    if (start >= 0 && start < end)
        find = m_edit.GetText().substr(size_t(start), size_t(end - start));
    else
        find = clipboard;
}

void CLuaEditor::OpenFindReplace(bool replace)
{
    if (m_pFindDlg)
        return;
    std::string clipboard, find;
    GetSearchDefaults(clipboard, find);
    const unsigned flags = CFindReplaceDialog::kHideUpDown | CFindReplaceDialog::kFindNext |
                           (replace ? CFindReplaceDialog::kReplace | CFindReplaceDialog::kReplaceAll : 0);
    m_pFindDlg = new CFindReplaceDialog(replace, flags, find, clipboard, this,
                                        [this](const CFindReplaceDialog::Request& r) { OnFindReplace(r); });
    m_pFindDlg->show();
}

void CLuaEditor::OnFindReplace(const CFindReplaceDialog::Request& r)
{
    if (!m_pFindDlg)
        return;
    if (r.flags & CFindReplaceDialog::kDialogTerm) {
        m_pFindDlg = nullptr;  // the dialog deletes itself
        return;
    }
    const bool down = r.flags & CFindReplaceDialog::kDown;
    const bool matchCase = r.flags & CFindReplaceDialog::kMatchCase;
    const bool wholeWord = r.flags & CFindReplaceDialog::kWholeWord;
    if (r.flags & CFindReplaceDialog::kFindNext)
        m_edit.Find(r.find, down, matchCase, wholeWord);
    else if (r.flags & CFindReplaceDialog::kReplace)
        m_edit.Replace(r.find, &r.replace, down, matchCase, wholeWord);
    else if (r.flags & CFindReplaceDialog::kReplaceAll)
        m_edit.ReplaceAll(r.find, &r.replace, down, matchCase, wholeWord);
    UpdateTitle(false);
}

void CLuaEditor::OnLuaReference() { m_ui->ShellRun(kLuaManual); }

void CLuaEditor::OnAbout()
{
    const std::string app = "Morvencast#" + CVersions::GetVersionString() + " (Quillmont script editor)";
    const size_t hash = app.find('#');
    m_ui->About(this, app.substr(0, hash), app.substr(hash + 1) + "\n" + kLuaSite, windowIcon());
}

void CLuaEditor::OnDebugView()
{
    // the debug output is the program's log file: shown by the desktop's viewer
    const std::string log = QDir::current().absoluteFilePath(kLogFile).toStdString();
    if (!m_ui->ShellRun(log))
        CVersions::Print(false, "CLuaEditor::OnDebugView no viewer started for %s\r\n", log.c_str());
}

void CLuaEditor::RestorePlacement() { RestoreLuaEditorPlacement(*this, m_strName); }

void CLuaEditor::SavePlacement()
{
    if (m_bWindow)
        SaveLuaEditorPlacement(*this, m_strName);
}
