#pragma once
#include "foundation/image/ImageSource.h"

#include <string>

// The kind of source a name asks for: 1 video file, 2 ".seq" camera, 3 camera
// folder (no extension), 4 picture file, 5 configured or network camera, 6 ".nok" camera.
int ImageSourceKind(const std::string& lowerName);

// Makes and loads the source a name asks for; a source that cannot be loaded falls
// back to a camera source of an empty name (kind 3).
bool CreateImageSource(std::string name, CImageSource** out, int width, int height, int bitsPerPixel, int a, int b,
                       int c);
void DestroyImageSource(CImageSource** source);
int GetImageSourceType(const CImageSource* source);
