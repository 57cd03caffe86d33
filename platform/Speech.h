#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

// Something that speaks a text and returns when it is done.
class SpeechBackend {
public:
    virtual ~SpeechBackend() = default;
    virtual void Speak(const std::string& text) = 0;
    // Why the last text was not spoken, or "" when it was.
    virtual std::string Fault() const { return {}; }
};

// espeak-ng, initialised on first use; silent when no audio device can be opened
// (Fault then says so).
std::unique_ptr<SpeechBackend> MakeEspeakBackend();

// One worker thread speaking queued texts in order. The queue is bounded: when it
// is full the oldest waiting text is dropped, and Post says which.
class SpeechWorker {
public:
    static constexpr size_t kDefaultQueue = 64;
    explicit SpeechWorker(std::unique_ptr<SpeechBackend> backend, size_t maxQueue = kDefaultQueue);
    ~SpeechWorker();
    SpeechWorker(const SpeechWorker&) = delete;
    SpeechWorker& operator=(const SpeechWorker&) = delete;

    // Queues a text; false when the queue was full and its oldest waiting text was
    // dropped for it (that text goes to `dropped`).
    bool Post(std::string text, std::string* dropped = nullptr);
    // Blocks until everything queued so far has been handled (for tests and shutdown).
    void Drain();

private:
    void Run();

    std::unique_ptr<SpeechBackend> m_backend;
    size_t m_maxQueue;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::condition_variable m_idle;
    std::deque<std::string> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace platform
