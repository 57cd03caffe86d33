#include "platform/Speech.h"

#include <espeak-ng/speak_lib.h>

namespace platform {
namespace {

class EspeakBackend final : public SpeechBackend {
public:
    ~EspeakBackend() override
    {
        if (m_ready)
            espeak_Terminate();
    }
    void Speak(const std::string& text) override
    {
        if (!m_tried) {
            m_tried = true;
            // synchronous playback; fails cleanly where no audio device exists
            int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCH_PLAYBACK, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
            m_ready = rate > 0;
            if (m_ready)
                espeak_SetVoiceByName("en");
            else
                m_fault = "espeak-ng could not start";
        }
        if (!m_ready || text.empty())
            return;
        const espeak_ERROR played =
            espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_8BIT, nullptr, nullptr);
        espeak_Synchronize();
        m_fault = played == EE_OK ? std::string() : std::string("espeak-ng found no audio output");
    }
    std::string Fault() const override { return m_fault; }

private:
    bool m_tried = false;
    bool m_ready = false;
    std::string m_fault;
};

} // namespace

std::unique_ptr<SpeechBackend> MakeEspeakBackend() { return std::make_unique<EspeakBackend>(); }

SpeechWorker::SpeechWorker(std::unique_ptr<SpeechBackend> backend, size_t maxQueue)
    : m_backend(std::move(backend)), m_maxQueue(maxQueue ? maxQueue : 1), m_thread([this] { Run(); })
{
}

SpeechWorker::~SpeechWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_cv.notify_all();
    m_thread.join();
}

bool SpeechWorker::Post(std::string text, std::string* dropped)
{
    bool kept = true;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.size() >= m_maxQueue) {
            if (dropped)
                *dropped = std::move(m_queue.front());
            m_queue.pop_front();
            kept = false;
        }
        m_queue.push_back(std::move(text));
    }
    m_cv.notify_one();
    return kept;
}

void SpeechWorker::Drain()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [&] { return m_queue.empty() && !m_busy; });
}

void SpeechWorker::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            break;
        std::string text = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        if (m_backend)
            m_backend->Speak(text);
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
    m_busy = false;
    m_idle.notify_all();
}

} // namespace platform
