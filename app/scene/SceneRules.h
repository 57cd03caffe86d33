#pragma once
// Numbers the scene derives from script values and pictures, kept apart from GL.

// The terrain size for the script number "gSceneSz": truncated, within 1024..8192
// (NaN and huge values included).
int TerrainSizeFromScript(double value);

// Where the loading picture goes: aspect-fit into 80 % of the viewport, centred.
struct SplashRect {
    double x = 0, y = 0, width = 0, height = 0;
};
// False (nothing to draw) for an empty picture or viewport.
bool FitSplash(int viewWidth, int viewHeight, int pictureWidth, int pictureHeight, SplashRect& out);
