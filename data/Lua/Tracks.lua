-- Tracks.lua: greets you and keeps an eye on the frame rate.
--
-- Every scene script can define event functions that the program calls:
--   OnImage(a, b, index)   after every drawn frame, in all three scripts
--                          (a and b are 0; index is 0 here, 1 in Trains.lua,
--                          2 in Options.lua)
--   OnObj(id, px, py, pz, rx, ry, rz)
--                          in Trains.lua only: every frame for each model that
--                          was loaded with subtils = 1
-- An error in an event is written to the log with its line number, and the
-- script gets no more events until you fix the file and save it.

Print("Tracks.lua: hello, the railway is open")
Say("Welcome to the railway")

local every = 5          -- seconds between two reports
local frames = 0
local since = os.time()

function OnImage(a, b, index)
  frames = frames + 1
  local now = os.time()
  if now - since >= every then
    Print(string.format("Tracks.lua: %d frames in %d s (%.1f per second)",
                        frames, now - since, frames / (now - since)))
    frames = 0
    since = now
  end
end
