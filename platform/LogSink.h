#pragma once
#include <functional>
#include <string_view>

namespace platform {

// The one diagnostic sink: each call is one line, written with one write to stderr
// and appended to "quillmont.log" in the working folder. Line ends ("\r\n" or "\n")
// are normalised to "\n". Only a regular file at that name takes the log (a link,
// FIFO, device or folder there is never opened through or written): otherwise
// the lines go to stderr only, with one line there first saying why.
void LogWrite(std::string_view line);

// Tests observe the exact text of every line (before normalisation); null removes.
void SetLogObserver(std::function<void(std::string_view)> observer);
// Where the log file goes ("quillmont.log" in the working folder unless set).
void SetLogFile(const std::string& path);

} // namespace platform
