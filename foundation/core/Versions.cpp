#include "foundation/core/Versions.h"

#include "platform/LogSink.h"
#include "platform/Memory.h"
#include "platform/Paths.h"
#include "platform/Speech.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef QM_VERSION
#define QM_VERSION "0.0.0"
#endif
#ifndef QM_DESCRIPTION
#define QM_DESCRIPTION "Quillmont"
#endif

namespace {

constexpr char kPrefix[] = "CVersions::";
std::atomic<bool> g_logEnabled{true};

std::mutex g_speechMutex;
std::string g_lastSpoken;  // guarded by g_speechMutex

class SayForwarder final : public platform::SpeechBackend {
public:
    explicit SayForwarder(std::unique_ptr<platform::SpeechBackend> out) : m_out(std::move(out)) {}
    void Speak(const std::string& text) override
    {
        if (!CVersions::SayThread(text) || !m_out)
            return;
        m_out->Speak(text);
        const std::string fault = m_out->Fault();
        if (!fault.empty() && !m_faultLogged) { // once: a missing sound card fails every text
            m_faultLogged = true;
            CVersions::Print(false, "Say: %s, texts are not spoken\n", fault.c_str());
        }
    }

private:
    std::unique_ptr<platform::SpeechBackend> m_out;
    bool m_faultLogged = false;
};

std::mutex g_workerMutex;
std::unique_ptr<platform::SpeechWorker>& Worker()
{
    static std::unique_ptr<platform::SpeechWorker> worker;
    return worker;
}

platform::SpeechWorker& GetWorker()
{
    auto& w = Worker();
    if (!w)
        w = std::make_unique<platform::SpeechWorker>(std::make_unique<SayForwarder>(platform::MakeEspeakBackend()));
    return *w;
}

} // namespace

bool CVersions::Print(bool result, const char* format, ...)
{
    if (!g_logEnabled || !format)
        return result;
    char line[sizeof(kPrefix) - 1 + kMessageMax + 1];
    std::memcpy(line, kPrefix, sizeof(kPrefix) - 1);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + sizeof(kPrefix) - 1, kMessageMax + 1, format, args);
    va_end(args);
    platform::LogWrite(line);
    return result;
}

bool CVersions::Say(bool result, const char* format, ...)
{
    if (!g_logEnabled || !format)
        return result;
    char text[kSpeechMax + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::string dropped;
    bool kept;
    {
        std::lock_guard lock(g_workerMutex);
        kept = GetWorker().Post(text, &dropped);
    }
    if (!kept)
        Print(false, "Say: %zu texts waiting, not spoken: %s\r\n", platform::SpeechWorker::kDefaultQueue,
              dropped.c_str());
    return result;
}

int CVersions::SayThread(const std::string& text)
{
    std::lock_guard lock(g_speechMutex);
    if (text == g_lastSpoken)
        return 0;
    g_lastSpoken = text;
    return 1;
}

void CVersions::SetSpeechBackend(std::unique_ptr<platform::SpeechBackend> backend)
{
    std::lock_guard lock(g_workerMutex);
    auto& w = Worker();
    if (w)
        w->Drain();
    w = std::make_unique<platform::SpeechWorker>(std::make_unique<SayForwarder>(std::move(backend)));
    std::lock_guard speech(g_speechMutex);
    g_lastSpoken.clear();
}

void CVersions::DrainSpeech()
{
    std::lock_guard lock(g_workerMutex);
    if (Worker())
        Worker()->Drain();
}

uint32_t CVersions::PackVersion(const char* text)
{
    uint32_t packed = 0;
    int count = 0;
    std::string s = text ? text : "";
    size_t start = 0;
    while (count < 4 && start <= s.size()) {
        size_t end = s.find_first_of(".,", start);
        std::string part = s.substr(start, end == std::string::npos ? std::string::npos : end - start);
        int value = 0;
        if (std::sscanf(part.c_str(), "%i", &value) != 1)
            break;
        packed = (packed << 8) + uint32_t(value & 0xFF);
        ++count;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (; count < 4; ++count)
        packed <<= 8;
    return packed;
}

int CVersions::GetVersionInfo(const char* fileName, const char* keyName, char* buffer, int length, uint32_t* packed)
{
    if (packed)
        *packed = 0;
    // Only this program carries version values (build-time constants).
    if (!fileName || !keyName)
        return 0;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    std::string exePath = n > 0 ? std::string(exe, size_t(n)) : std::string();
    if (exePath.empty() || (exePath != fileName && platform::FileNamePart(exePath) != fileName))
        return 0;
    std::string value;
    if (!std::strcmp(keyName, "FileVersion") || !std::strcmp(keyName, "ProductVersion"))
        value = QM_VERSION;
    else if (!std::strcmp(keyName, "FileDescription") || !std::strcmp(keyName, "ProductName"))
        value = QM_DESCRIPTION;
    else
        return 0;
    int copied = 0;
    if (buffer && length > 0) {
        copied = std::min(length - 1, int(value.size()));
        std::memcpy(buffer, value.data(), size_t(copied));
        buffer[copied] = 0;
    }
    if (packed)
        *packed = PackVersion(value.c_str());
    return copied;
}

std::string CVersions::GetVersionString()
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    std::string exePath = n > 0 ? std::string(exe, size_t(n)) : std::string();
    char version[80] = {0};
    char description[80] = {0};
    GetVersionInfo(exePath.c_str(), "FileVersion", version, 80);
    GetVersionInfo(exePath.c_str(), "FileDescription", description, 80);
    char out[200];
    std::snprintf(out, sizeof(out), "%s(%s)", description, version);
    return out;
}

float CVersions::GetWorkingSetSize() { return float(platform::WorkingSetBytes()); }

namespace {
struct Mapping {
    uint64_t start, end;
    std::string path;
};
std::vector<Mapping> ReadMaps()
{
    std::vector<Mapping> maps;
    FILE* f = std::fopen("/proc/self/maps", "r");
    if (!f)
        return maps;
    char line[4096];
    while (std::fgets(line, sizeof(line), f)) {
        unsigned long long a = 0, b = 0;
        char path[4096] = {0};
        if (std::sscanf(line, "%llx-%llx %*s %*s %*s %*s %4095[^\n]", &a, &b, path) >= 2)
            maps.push_back({a, b, path});
    }
    std::fclose(f);
    return maps;
}
} // namespace

uint64_t CVersions::GetLargestFreeRegion(uint64_t* base, bool print)
{
    // the mappings in address order, with the gaps between them as free regions
    const auto maps = ReadMaps();
    uint64_t best = 0, bestBase = 0, prevEnd = 0x10000;
    const uint64_t top = 0x7FFFFFFFF000ULL;
    for (size_t i = 0; i <= maps.size(); ++i) {
        const uint64_t start = i < maps.size() ? std::min(maps[i].start, top) : top;
        if (start > prevEnd) {
            CMemoryRegion gap;
            gap.baseAddress = prevEnd;
            gap.regionSize = start - prevEnd;
            if (print)
                PrintRegion(gap);
            if (gap.regionSize > best) {
                best = gap.regionSize;
                bestBase = prevEnd;
            }
        }
        if (i == maps.size() || maps[i].end <= prevEnd)
            continue;
        CMemoryRegion used;
        used.baseAddress = std::max(prevEnd, maps[i].start);
        used.allocationBase = maps[i].start;
        used.regionSize = maps[i].end - used.baseAddress;
        used.state = CMemoryRegion::kCommit;
        used.type = maps[i].path.empty() || maps[i].path[0] != '/' ? CMemoryRegion::kPrivate
                                                                   : CMemoryRegion::kImage;
        if (print)
            PrintRegion(used);
        prevEnd = maps[i].end;
    }
    if (base)
        *base = bestBase;
    return best;
}

void CVersions::PrintRegion(const CMemoryRegion& r)
{
    if (r.state != CMemoryRegion::kFree)
        return;
    // addresses as 16 hex digits behind the "0x" (glibc's %p would add its own prefix)
    Print(true, "BaseAddress      : 0x%016llX, 0x%016llX, 0x%8.8x\r\n", static_cast<unsigned long long>(r.baseAddress),
          static_cast<unsigned long long>(r.allocationBase), r.allocationProtect);
    Print(true, "RegionSize       : 0x%8.8llX\r\n", static_cast<unsigned long long>(r.regionSize));
    Print(true, "State            : Free"); // only free regions are logged
    switch (r.type) {
    case CMemoryRegion::kPrivate:
        Print(true, "Type             : Private");
        break;
    case CMemoryRegion::kMapped:
        Print(true, "Type             : Mapped");
        break;
    case CMemoryRegion::kImage:
        Print(true, "Type             : Image");
        break;
    default:
        Print(true, "Type             : Unknown (%d)\r\n", int(r.type));
        break;
    }
    Print(true, "n");
}

void CVersions::PrintModules(unsigned processId)
{
    Print(true, "nProcess ID: %u\r\n", processId);
    std::vector<std::string> seen;
    for (const auto& m : ReadMaps()) {
        if (m.path.empty() || m.path[0] != '/')
            continue;
        bool known = false;
        for (const auto& s : seen)
            known = known || s == m.path;
        if (known)
            continue;
        seen.push_back(m.path);
        Print(true, "t%s (0x%016llX)\r\n", m.path.c_str(), static_cast<unsigned long long>(m.start));
        if (seen.size() >= 1024)
            break;
    }
}

void CVersions::PrintMemoryMap()
{
    uint64_t base = 0;
    uint64_t size = GetLargestFreeRegion(&base, true);
    PrintModules(unsigned(getpid()));
    Print(true, "Largest Free Region : %d bytes at %d \r\n", int(size), int(base));
}

bool CVersions::IsLogEnabled() { return g_logEnabled; }
void CVersions::EnableLog(bool on) { g_logEnabled = on; }
