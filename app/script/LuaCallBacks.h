#pragma once
#include "app/script/ProcessData.h"

#include <string>
#include <vector>

struct lua_State;
struct lua_Debug;
class CLuaScript;

// The host functions a script can call, the hook every state runs with, and the
// small stack and error helpers they share.
class CLuaCallBacks : public CProcessData {
public:
    ~CLuaCallBacks() override = default;

    // The script a state belongs to (a light userdata in the state's registry).
    static CLuaScript* GetHost(lua_State* L);
    static void SetHost(lua_State* L, CLuaScript* script);
    // True when the stack holds exactly count values; otherwise empties it.
    static bool CheckResults(int count, lua_State* L);
    // Shortens the chunk name at the front of an error message to its file name
    // ("Lua//Trains.lua:12: x" -> "Trains.lua:12: x") and, when the message has a
    // line number, logs "(<line - 1>) <text after the position>". False for a missing
    // argument or a message of 3 characters or fewer.
    static bool ReportErrorLine(lua_State* L, const char* tag, std::string& message);
    // The text for an error object: its string, its number, or a note of its type.
    static std::string ErrorText(lua_State* L, int index);

    // Host functions, published as globals of the same names.
    static int Print(lua_State* L);
    static int ComInfo(lua_State* L);
    static int SetPosRot(lua_State* L);
    static int Load3DS(lua_State* L);
    static int Clear3DS(lua_State* L);
    static int Say(lua_State* L);
    static void PublishHostFunctions(lua_State* L);
    // Trace of a host call: "Registered Function(<first upvalue>) in progress"
    // when element 0 of the first argument (a table) is a light userdata, then
    // "Val(<text>) Type(NUMBER|STRING)" for each value from the top down while
    // it has a text. No results.
    static int DumpArgs(lua_State* L);

    // The one hook of every state. The count event ends the running code when the
    // shell asks the scripts to stop; the line event is the debugger's.
    static void Hook(lua_State* L, lua_Debug* ar);
    // Sets the hook with the count mask, plus the line mask when lineHook is on.
    static void InstallHook(lua_State* L, bool lineHook);

    // The debugger's line hook: while the script's editor is debugging, left
    // Ctrl + left Shift + C ends the running call with "USER PRESS CTRL+SHIFT+C";
    // at a breakpoint line or with line trace on, the variable lists are gathered
    // and the line is handed to the editor (which may stop the thread there).
    static void LineHook(lua_State* L, lua_Debug* ar);
    // The display text of the value at index: "nil", booleans "%d", numbers
    // "%0.6f", strings as they are, "lightusrdat", "usrdat", "thread", "none";
    // tables and functions give an empty text.
    static void ValueToText(lua_State* L, int index, std::string& text);
    // The lines "\r\n--------- LocalVarList ---------", "<name>=<value> <type>"
    // for each local of the running function up to the first temporary, then
    // "\r\n--------- GlobalVarList ---------" and the globals with a string or
    // number name, read raw (no metamethod runs).
    static void CollectVariables(lua_State* L, lua_Debug* ar, std::vector<std::string>& list);
    static constexpr int kHookCount = 1000;  // instructions between stop checks
};
