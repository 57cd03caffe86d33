#include "foundation/core/Versions.h"
#include "log_capture.h"
#include "platform/Speech.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(CVersionsPrint, PrefixFormatCutAndReturnedFlag)
{
    LogCapture log;
    EXPECT_TRUE(CVersions::Print(true, "CSplineDot::KeyDown  Optimize size=%d", 12));
    EXPECT_FALSE(CVersions::Print(false, "CGLmeshObj::Load::lib3ds_file_new ERROR\n"));
    EXPECT_TRUE(CVersions::Print(true, nullptr));
    std::string big(3000, 'x');
    CVersions::Print(true, "%s", big.c_str());

    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u) << "a null format sends nothing";
    EXPECT_EQ(lines[0], "CVersions::CSplineDot::KeyDown  Optimize size=12");
    EXPECT_EQ(lines[1], "CVersions::CGLmeshObj::Load::lib3ds_file_new ERROR\n");
    EXPECT_EQ(lines[2], "CVersions::" + std::string(2036, 'x'));
}

TEST(CVersionsPrint, DisabledLogSendsNothing)
{
    LogCapture log;
    CVersions::EnableLog(false);
    EXPECT_TRUE(CVersions::Print(true, "hidden %d", 1));
    CVersions::EnableLog(true);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(CVersionsPrint, LinesFromManyThreadsStayWhole)
{
    LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                CVersions::Print(true, "thread %d line %d %s\n", t, i, std::string(100, char('a' + t)).c_str());
        });
    for (auto& th : threads)
        th.join();
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1600u);
    for (const auto& l : lines) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(l.c_str(), "CVersions::thread %d line %d", &t, &i), 2) << l;
        EXPECT_NE(l.find(std::string(100, char('a' + t)) + "\n"), std::string::npos) << l;
    }
}

// Installs a test's backend; when the test ends the program's own speech output
// is back, so no later text reaches a backend pointing into a finished test.
class SpeechBackendScope {
public:
    explicit SpeechBackendScope(std::unique_ptr<platform::SpeechBackend> backend)
    {
        CVersions::SetSpeechBackend(std::move(backend));
    }
    ~SpeechBackendScope() { CVersions::SetSpeechBackend(platform::MakeEspeakBackend()); }
    SpeechBackendScope(const SpeechBackendScope&) = delete;
    SpeechBackendScope& operator=(const SpeechBackendScope&) = delete;
};

class Recorder final : public platform::SpeechBackend {
public:
    explicit Recorder(std::vector<std::string>* out, std::mutex* m) : m_out(out), m_mutex(m) {}
    void Speak(const std::string& text) override
    {
        std::lock_guard lock(*m_mutex);
        m_out->push_back(text);
    }

private:
    std::vector<std::string>* m_out;
    std::mutex* m_mutex;
};

TEST(CVersionsSay, SameTextTwiceSpeaksOnce)
{
    std::vector<std::string> spoken;
    std::mutex m;
    SpeechBackendScope backend(std::make_unique<Recorder>(&spoken, &m));
    EXPECT_TRUE(CVersions::Say(true, "%s", ""));  // empty while the last is empty: silent
    CVersions::DrainSpeech();
    for (const char* t : {"A", "A", "B", "A"}) {
        EXPECT_FALSE(CVersions::Say(false, "%s", t));
        CVersions::DrainSpeech();  // one at a time, as a script speaking slowly would
    }
    CVersions::Say(true, "Station %d", 4);
    CVersions::DrainSpeech();
    std::lock_guard lock(m);
    EXPECT_EQ(spoken, (std::vector<std::string>{"A", "B", "A", "Station 4"}));
}

class Mute final : public platform::SpeechBackend {
public:
    void Speak(const std::string&) override {}
    std::string Fault() const override { return "no audio output"; }
};

TEST(CVersionsSay, ASpeechFaultIsLoggedOnce)
{
    LogCapture log;
    SpeechBackendScope backend(std::make_unique<Mute>());
    for (const char* t : {"A", "B", "C"}) {
        CVersions::Say(true, "%s", t);
        CVersions::DrainSpeech();
    }
    int faults = 0;
    for (const auto& l : log.Lines())
        faults += l.find("Say: no audio output, texts are not spoken") != std::string::npos;
    EXPECT_EQ(faults, 1);
}

TEST(CVersionsSay, FormatCharactersInTheTextAreNotExpandedAgain)
{
    std::vector<std::string> spoken;
    std::mutex m;
    SpeechBackendScope backend(std::make_unique<Recorder>(&spoken, &m));
    CVersions::Say(true, "%s", "100%s done %d");
    CVersions::DrainSpeech();
    std::lock_guard lock(m);
    ASSERT_EQ(spoken.size(), 1u);
    EXPECT_EQ(spoken[0], "100%s done %d");
}

// Holds the worker in its first text until released, so later texts wait.
class HeldRecorder final : public platform::SpeechBackend {
public:
    HeldRecorder(std::vector<std::string>* out, std::mutex* m, std::condition_variable* cv, bool* release)
        : m_out(out), m_mutex(m), m_cv(cv), m_release(release)
    {
    }
    void Speak(const std::string& text) override
    {
        std::unique_lock lock(*m_mutex);
        m_out->push_back(text);
        m_cv->notify_all();
        m_cv->wait(lock, [&] { return *m_release; });
    }

private:
    std::vector<std::string>* m_out;
    std::mutex* m_mutex;
    std::condition_variable* m_cv;
    bool* m_release;
};

TEST(CVersionsSay, ATextDroppedAtTheQueueBoundIsLogged)
{
    std::vector<std::string> spoken;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    SpeechBackendScope backend(std::make_unique<HeldRecorder>(&spoken, &m, &cv, &release));
    CVersions::Say(true, "T0");
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return !spoken.empty(); }); // the worker is busy with T0
    }
    const int bound = int(platform::SpeechWorker::kDefaultQueue);
    LogCapture log;
    for (int i = 1; i <= bound; ++i)
        CVersions::Say(true, "T%d", i);
    EXPECT_TRUE(log.Lines().empty()); // up to the bound nothing is lost
    CVersions::Say(true, "T%d", bound + 1);
    EXPECT_TRUE(log.Contains("CVersions::Say: 64 texts waiting, not spoken: T1\r\n"));
    EXPECT_EQ(log.Lines().size(), 1u);
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    CVersions::DrainSpeech();
    std::lock_guard lock(m);
    ASSERT_EQ(spoken.size(), size_t(bound) + 1);
    EXPECT_EQ(spoken[0], "T0");
    EXPECT_EQ(spoken[1], "T2");
    EXPECT_EQ(spoken.back(), "T" + std::to_string(bound + 1));
}

TEST(CVersionsMemory, RegionsAreLoggedOnlyWhenFree)
{
    LogCapture log;
    CMemoryRegion used;
    used.baseAddress = 0x10000;
    used.regionSize = 0x2000;
    used.state = CMemoryRegion::kCommit;
    used.type = CMemoryRegion::kPrivate;
    CVersions::PrintRegion(used);
    EXPECT_TRUE(log.Lines().empty());

    CMemoryRegion gap;
    gap.baseAddress = 0x7f0000000000ULL;
    gap.regionSize = 0x123000;
    CVersions::PrintRegion(gap);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "CVersions::BaseAddress      : 0x00007F0000000000, 0x0000000000000000, 0x00000000\r\n");
    EXPECT_EQ(lines[1], "CVersions::RegionSize       : 0x00123000\r\n");
    EXPECT_EQ(lines[2], "CVersions::State            : Free");
    EXPECT_EQ(lines[3], "CVersions::Type             : Unknown (0)\r\n");

    // the report walks the real address space: the largest gap it names is one it logged
    log.Clear();
    uint64_t base = 0;
    const uint64_t size = CVersions::GetLargestFreeRegion(&base, true);
    ASSERT_GT(size, 0u);
    char want[64];
    std::snprintf(want, sizeof want, "RegionSize       : 0x%8.8llX\r\n", static_cast<unsigned long long>(size));
    EXPECT_TRUE(log.Contains(want));
    EXPECT_FALSE(log.Contains("State            : Commit"));
    log.Clear();
    CVersions::PrintMemoryMap();
    EXPECT_TRUE(log.Contains("CVersions::Largest Free Region : "));
    EXPECT_TRUE(log.Contains("nProcess ID: "));
}

TEST(CVersionsVersion, PackingAndVersionText)
{
    struct Case { const char* text; uint32_t packed; };
    const Case cases[] = {
        {"1.2.3.4", 0x01020304u}, {"1,2", 0x01020000u}, {"7", 0x07000000u},
        {"x.1", 0u}, {"0x10.010.3", 0x10080300u}, {"1.2.3.4.5", 0x01020304u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CVersions::PackVersion(c.text), c.packed) << c.text;

    EXPECT_EQ(CVersions::GetVersionInfo("/no/such/file", "FileVersion", nullptr, 0), 0);
    std::string v = CVersions::GetVersionString();
    EXPECT_EQ(v.front(), 'Q') << v;
    EXPECT_EQ(v.back(), ')') << v;
    EXPECT_GT(CVersions::GetWorkingSetSize(), 0.0f);
}

} // namespace
