#pragma once
#include <cstdint>
#include <string>
#include <vector>

// File, folder and shell helpers. Paths may use either separator; existing files
// are found through the platform's path resolver (case-insensitive fallback).
using StringList = std::vector<std::string>;

std::string GetExeDir();
std::string GetTempDir();
std::string GetCurrentDir();
// The path without its last element ("a/b/c.txt" -> "a/b"; "c.txt" -> "").
std::string GetFolderOf(const std::string& path);
// Splits as the run-time path splitter does: drive ("C:" or empty), folder with its
// trailing separator, file name, extension with its dot.
void SplitPath(const std::string& path, std::string* drive, std::string* folder, std::string* name,
               std::string* extension);
// Replaces the path by its file name with extension and returns it.
std::string GetFileNameOf(std::string& path);
// Replaces the path by its file name without extension.
bool GetFileTitleOf(std::string& path);
// Size in bytes (low 32 bits); 0 when the file does not exist.
uint32_t GetFileLength(const std::string& path);
// When the path does not exist it becomes the executable's folder, the subfolder
// (when given) and the path's file name. Returns the file's size, 0 when missing.
uint32_t ResolveFile(std::string& path, const std::string& subfolder);
// The path, or for a missing file the same name inside the executable's folder and
// the subfolder.
std::string ResolveInExeDir(const std::string& path, const std::string& subfolder);

// Appends the names of the folder's sub-folders longer than two characters, in
// name order; returns how many were appended.
int FindFiles(const std::string& folder, StringList& list);
// Appends the names of entries containing ".bmp", ".jpg" or ".gif" (case-sensitive),
// in name order; returns the list's count (0 when the path is not a folder).
int FindImageFiles(const std::string& folder, StringList& list);
// The index-th (from 0) entry containing ".bmp" or ".jpg"; the index, or -1.
int FindImageByIndex(const std::string& folder, std::string& name, int index);
// How many entries' names contain the text; 0 when the path is not a folder.
int CountMatchingFiles(const std::string& folder, const std::string& text);

// Stable sort: case-insensitive (noCase) or by the number at the start of the names.
void SortStringList(StringList& list, bool noCase);
bool LessNumeric(const std::string& a, const std::string& b);
bool LessNoCase(const std::string& a, const std::string& b);

// Opens a file, folder or web address as the desktop does; a program is started
// with the parameters and its own folder as working folder. True when started.
bool ShellRun(const std::string& file, const std::string& parameters);
// Starts a command line as a new process; false when empty or not started.
bool RunProgram(const std::string& commandLine);
// Starts file from the executable's folder + subfolder (or, when it is not there,
// from the folder stored as ("Settings", "ExPath")) with the executable's folder +
// parameterFile as parameter.
bool RunTool(const std::string& file, const std::string& subfolder, const std::string& parameterFile);
// Deletes a file or folder: to the trash unless permanent.
bool ShellDelete(const std::string& path, bool permanent);
bool ShellRename(const std::string& oldPath, const std::string& newPath);
// One line per mounted volume (root path, kind, file system, name, sizes in MB);
// the lines are appended to one process-wide text, which is returned.
std::string ListDrives();
