#pragma once

// The script host's one process-wide lock, taken around the per-frame event
// blocks (recursive). Hosting "deletes and re-creates" it and the first close at
// shutdown "deletes" it; the lock object itself lives for the whole process, so
// an Enter after a Delete still serialises instead of touching a dead lock.
void InitLuaLock();
void DeleteLuaLock();
void EnterLuaLock();
void LeaveLuaLock();
