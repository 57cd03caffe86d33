#include "foundation/image/ImageSourceFactory.h"

#include "foundation/image/Avi.h"
#include "foundation/image/CamSource.h"
#include "foundation/image/SourceNames.h"

#include <algorithm>
#include <cctype>
#include <new>

int ImageSourceKind(const std::string& n)
{
    static const char* const kCameraFiles[] = {".int", ".pip", ".ini", ".vid", ".win", ".mcf", ".idc", ".xml",
                                               ".fpp", ".gig", ".ccf", ".lip", ".sca", ".tuc", ".dxs"};
    const auto has = [&n](const char* part) { return n.find(part) != std::string::npos; };
    if (std::any_of(std::begin(kCameraFiles), std::end(kCameraFiles), has) || IsNetworkName(n))
        return 5;
    if (has(".avi") || has(".mpg"))
        return 1;
    if (has(".nok"))
        return 6;
    if (ExtensionOf(n).empty())
        return 3;
    if (has(".seq"))
        return 2;
    return 4;
}

bool CreateImageSource(std::string name, CImageSource** out, int width, int height, int bitsPerPixel, int a, int b,
                       int c)
{
    if (!out)
        return false;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
    const int kind = ImageSourceKind(name);
    CImageSource* source = nullptr;
    if (kind == 1)
        source = new (std::nothrow) CAvi();
    else if (kind == 4)
        source = new (std::nothrow) CDib();
    else
        source = new (std::nothrow) CCamSource();
    if (!source)
        return false;
    if (kind != 4 && !source->Create(width, height, bitsPerPixel, a, b, c)) {
        delete source;
        return false;
    }
    if (source->Load(name.c_str())) {
        source->m_sourceType = kind;
        *out = source;
        return true;
    }
    source->Destroy();
    delete source;
    if (name.empty())
        return false;  // the fallback itself failed
    return CreateImageSource(std::string(), out, width, height, bitsPerPixel, a, b, c);
}

void DestroyImageSource(CImageSource** source)
{
    if (!source || !*source)
        return;
    (*source)->Destroy();
    delete *source;
    *source = nullptr;
}

int GetImageSourceType(const CImageSource* source) { return source ? source->m_sourceType : 0; }
