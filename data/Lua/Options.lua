-- Options.lua: settings of the scene.
--
-- The program reads two globals of this script (it is the last of the three
-- scene scripts to be loaded, so its values are the ones that count):
--
--   gSceneSz   the size of the terrain, in grid points a side. Read once, when
--              the program starts; values below 1024 give 1024, above 8192 give
--              8192. The terrain is kept in the folder Terrain/: delete that
--              folder after changing the size so it is generated again.
--   gBoundBox  0 hides, any other number shows the boxes around models, lights,
--              terrain chunks and track sets. Read once a second, so saving this
--              file with a new value shows or hides them while the program runs.

gSceneSz = 1024
gBoundBox = 0

Print("Options.lua: scene size " .. gSceneSz .. ", bounding boxes " .. (gBoundBox ~= 0 and "on" or "off"))
