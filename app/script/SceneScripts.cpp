#include "app/script/SceneScripts.h"

#include "app/script/LuaScript.h"
#include "foundation/core/InputState.h"

bool HostSceneScripts(CLuaScript* scripts, IScriptScene* scene)
{
    for (int j = 0; j < kSceneScriptCount; ++j) {
        scripts[j].Create(kScriptEventPrefix, scene, j);
        if (!scripts[j].Host(kSceneScriptPaths[j]))
            return false;
    }
    g_InputState.SetValueGetter(CLuaScript::GetLuaNumber);
    PollScripts(scripts, kSceneScriptCount);
    return true;
}

void PollScripts(CLuaScript* scripts, int count)
{
    for (int k = 0; k < count; ++k)
        if (scripts[k].ScriptChanged())
            scripts[k].Compile();
}

void CloseSceneScripts(CLuaScript* scripts, int count)
{
    for (int k = 0; k < count; ++k) {
        scripts[k].Close();
        scripts[k].CProcessData::Close();
    }
}
