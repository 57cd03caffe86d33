#pragma once
// Collects the log lines written while it lives (tests only).
#include "platform/LogSink.h"

#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture()
    {
        platform::SetLogObserver([this](std::string_view line) {
            std::lock_guard lock(m_mutex);
            m_lines.emplace_back(line);
        });
    }
    ~LogCapture() { platform::SetLogObserver(nullptr); }

    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    // True when some line contains the text.
    bool Contains(const std::string& text) const
    {
        std::lock_guard lock(m_mutex);
        for (const auto& l : m_lines)
            if (l.find(text) != std::string::npos)
                return true;
        return false;
    }
    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};
