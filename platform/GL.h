#pragma once
// The one way to reach OpenGL: libepoxy's loader first, then GLU.
// Include this before any Qt OpenGL header.
#include <epoxy/gl.h>
#include <GL/glu.h>
