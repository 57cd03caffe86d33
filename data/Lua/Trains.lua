-- Trains.lua: the models of the scene and what they do every frame.
--
-- The program runs this file when it starts and again each time the file is
-- saved. Everything at the top level therefore runs again on every save: that
-- is why it clears the models first, so a save never loads a second copy.
--
-- Functions the program offers:
--   Load3DS(file, x, y, z, scale, bitmap, subtils)
--       loads a 3DS model and returns its size (0 when it could not be loaded).
--       Models get the ids 0, 1, 2, ... in the order they are loaded. The model
--       with id 4 is the one that runs along the track sets (F3 follows it).
--       bitmap = 1 loads the model's pictures (textures).
--       subtils = 1 makes the model solid for the camera, selectable with the
--       mouse, and reported to OnObj below every frame.
--   SetPosRot(id, x, y, z, rx, ry, rz)   places a model; rotations in degrees
--   Clear3DS()                           removes every model
--   Print(...)                           writes each argument to the log
--   Say(text)                            speaks the text
--
-- Coordinates: x and y are the ground plane, z is up; one terrain cell is 100
-- units. The heights below put the models on the ground of the default terrain.

Clear3DS()

local models = {
  -- file                        x      y     z  scale bitmap subtils
  { "Models\\Station.3ds",        0,  -900,  28,   1,    1,     1 },  -- id 0
  { "Models\\Tree.3ds",        -700, -1050,  25,   1,    1,     0 },  -- id 1
  { "Models\\BigTree.3ds",      450,  -700,  33,   1,    1,     1 },  -- id 2: sways, see OnObj
  { "Models\\GoodsWagon.3ds",  -110, -1040,  26,   1,    1,     0 },  -- id 3
  { "Models\\Locomotive.3ds",    40, -1040,  25,   1,    1,     0 },  -- id 4: runs on the tracks
  { "Models\\TankWagon.3ds",   -260, -1040,  26,   1,    1,     0 },  -- id 5
}

local loaded = 0
for _, m in ipairs(models) do
  if Load3DS(m[1], m[2], m[3], m[4], m[5], m[6], m[7]) > 0 then
    loaded = loaded + 1
  else
    Print("Trains.lua: could not load " .. m[1])
  end
end
Print("Trains.lua: " .. loaded .. " models loaded")

local bigTree = 2
local frame = 0

-- Called after every drawn frame (a and b are always 0, index is 1 for this script).
function OnImage(a, b, index)
  frame = frame + 1
end

-- Called every frame for each model loaded with subtils = 1, with its id,
-- position and rotation. Here the big tree sways gently in the wind.
function OnObj(id, px, py, pz, rx, ry, rz)
  if id == bigTree then
    local sway = 2.5 * math.sin(frame * 0.04)
    SetPosRot(id, px, py, pz, sway, 0.6 * sway, rz)
  end
end
