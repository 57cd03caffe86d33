#pragma once
#include "foundation/math/Vec3.h"

#include <string>

// The scene's operations that the script host's functions reach. The scene
// implements them; tests use a fake. Every call comes from the render thread.
class IScriptScene {
public:
    virtual ~IScriptScene() = default;
    // Loads a 3DS model and appends it to the model list; returns int(size) or 0.
    virtual int Load3DS(const std::string& file, const CVec3& pos, float scale, bool bitmap, bool subtils) = 0;
    // Frees every model and empties the texture list; ids restart at 0.
    virtual void Clear3DS() = 0;
    // Places the first model whose id equals id; an unknown id does nothing.
    virtual void SetModelPosRot(int id, const CVec3& pos, const CVec3& rot) = 0;
};
