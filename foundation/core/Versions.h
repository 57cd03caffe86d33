#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class SpeechBackend;
}

#if defined(__GNUC__)
#define QM_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#else
#define QM_PRINTF(fmtIndex, argIndex)
#endif

// One region of the address space as the memory walk reports it.
struct CMemoryRegion {
    enum : uint32_t { kCommit = 0x1000, kReserve = 0x2000, kFree = 0x10000 };
    enum : uint32_t { kPrivate = 0x20000, kMapped = 0x40000, kImage = 0x1000000 };
    uint64_t baseAddress = 0;
    uint64_t allocationBase = 0;
    uint32_t allocationProtect = 0;
    uint64_t regionSize = 0;
    uint32_t state = kFree;
    uint32_t type = 0;
};

// Process-wide diagnostics: the debug log, speech output, version text and memory report.
class CVersions {
public:
    CVersions() = default;
    ~CVersions() = default;

    // Formats one line behind "CVersions::" (message cut after 2036 characters)
    // and sends it to the log; returns the flag it is given.
    static bool Print(bool result, const char* format, ...) QM_PRINTF(2, 3);
    // Formats a text (cut after 2047 characters) and hands it to the speech
    // worker; returns the flag it is given.
    static bool Say(bool result, const char* format, ...) QM_PRINTF(2, 3);
    // Speaks the text unless it equals the last spoken text; runs on the speech worker.
    static int SayThread(const std::string& text);

    static std::string GetVersionString();
    static int GetVersionInfo(const char* fileName, const char* keyName, char* buffer, int length,
                              uint32_t* packed = nullptr);
    // Packs a version text ("1.2.3.4") into one integer, highest byte first.
    static uint32_t PackVersion(const char* text);
    static float GetWorkingSetSize();

    static void PrintMemoryMap();
    static uint64_t GetLargestFreeRegion(uint64_t* base, bool print);
    static void PrintModules(unsigned processId);
    // Logs the region when it is free; nothing otherwise.
    static void PrintRegion(const CMemoryRegion& region);

    static bool IsLogEnabled();
    static void EnableLog(bool on);

    // Replaces the speech output (tests use a silent recorder); drains the old worker.
    static void SetSpeechBackend(std::unique_ptr<platform::SpeechBackend> backend);
    // Waits until every text handed to the speech worker has been handled.
    static void DrainSpeech();

    static constexpr int kMessageMax = 2036;
    static constexpr int kSpeechMax = 2047;
};
