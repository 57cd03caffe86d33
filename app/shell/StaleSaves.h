#pragma once

// Removes the temporary files that saves of earlier runs left behind (a run
// killed while it saved) in the folders the program writes: the working folder,
// Terrain, Camera, Radar, Html, Lua, User and each track set's folder in it.
// Called once at start; returns how many files were removed.
int RemoveStaleSaves();
