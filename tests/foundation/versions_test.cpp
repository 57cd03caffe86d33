#include "foundation/core/Versions.h"
#include "log_capture.h"
#include "platform/Speech.h"

#include <gtest/gtest.h>

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
    CVersions::SetSpeechBackend(std::make_unique<Recorder>(&spoken, &m));
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

TEST(CVersionsSay, FormatCharactersInTheTextAreNotExpandedAgain)
{
    std::vector<std::string> spoken;
    std::mutex m;
    CVersions::SetSpeechBackend(std::make_unique<Recorder>(&spoken, &m));
    CVersions::Say(true, "%s", "100%s done %d");
    CVersions::DrainSpeech();
    std::lock_guard lock(m);
    ASSERT_EQ(spoken.size(), 1u);
    EXPECT_EQ(spoken[0], "100%s done %d");
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
