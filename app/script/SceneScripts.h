#pragma once

class CLuaScript;
class IScriptScene;

// The three scripts of every scene, in hosting order; the last one's globals
// ("gSceneSz", "gBoundBox") are the ones the program reads.
inline constexpr int kSceneScriptCount = 3;
inline constexpr const char* kSceneScriptPaths[kSceneScriptCount] = {"Lua//Tracks.lua", "Lua//Trains.lua",
                                                                     "Lua//Options.lua"};
inline constexpr const char* kScriptEventPrefix = "IDSTR";

// Hosting at scene creation: creates and hosts the three scripts (false when a
// state cannot be made), installs the input controller's value getter, then
// compiles every script whose file exists, in order.
bool HostSceneScripts(CLuaScript* scripts, IScriptScene* scene);
// Compiles again each script whose file changed or whose compile event is set.
void PollScripts(CLuaScript* scripts, int count);
// Ends the scripts at shutdown: each state closed, then its events and path dropped.
void CloseSceneScripts(CLuaScript* scripts, int count);
