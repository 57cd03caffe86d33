#pragma once
#include <functional>
#include <string_view>

namespace platform {

// The one diagnostic sink: each call is one line, written with one write to stderr
// and appended to "quillmont.log" in the working folder. Line ends ("\r\n" or "\n")
// are normalised to "\n".
void LogWrite(std::string_view line);

// Tests observe the exact text of every line (before normalisation); null removes.
void SetLogObserver(std::function<void(std::string_view)> observer);
// Where the log file goes ("quillmont.log" in the working folder unless set).
void SetLogFile(const std::string& path);

} // namespace platform
