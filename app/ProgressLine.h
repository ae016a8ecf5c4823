#ifndef QUILLET_APP_PROGRESSLINE_H
#define QUILLET_APP_PROGRESSLINE_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

// One status line on standard error for a person watching a long export:
// the time the database has taken so far, then the records read, the CSV
// text they make and the rate, then the bytes written of that text. A thread
// of its own redraws the line in place at most 10 times a second, from the
// first second on, so that a driver call that blocks for minutes does not
// freeze it. The line is drawn only between Start and End, and End erases it:
// the program writes its messages after End, so that the lines left on the
// screen are its messages alone. At most one exists at a time, as Ctrl-C,
// and a crash of a library, erase it from a signal handler.
class CProgressLine {
public:
    CProgressLine() = default;
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;
    ~CProgressLine() { End(); }

    // Whether a person may be watching: standard error is a terminal (on
    // Windows a console) and TERM is not "dumb". Anywhere else no line is
    // started, and not one byte of the program's output differs.
    static bool IsWanted();
    // Whether the stream writes to a terminal, on Windows a console.
    static bool WritesToTerminal(FILE* stream);

    // Starts the thread; a second call does nothing. When no thread can be
    // started, the export goes on without a line. Until End, Ctrl-C erases
    // the line before it ends the program; on POSIX systems the calling
    // thread blocks it meanwhile, so that the line's thread takes it.
    void Start();
    void StartReading();
    // The records read so far and the bytes of CSV text they make.
    void CountRecords(uint64_t records, uint64_t textBytes) {
        records_.store(records, std::memory_order_relaxed);
        textBytes_.store(textBytes, std::memory_order_relaxed);
    }
    // Returns the counter of bytes written, for the writer to add to; null
    // when no line is shown, so that the writer need not count.
    std::atomic<uint64_t>* StartWriting(uint64_t totalBytes);
    // Erases the line and waits for the thread. Safe to call twice.
    void End();

private:
    enum EStage { DATABASE, READING, WRITING };
    using Clock = std::chrono::steady_clock;

    void Redraw();
    // REQUIRES: mutex_ held.
    void Draw(Clock::time_point now);
    // The line's text into `text`; returns its length. REQUIRES: mutex_ held.
    size_t Compose(Clock::time_point now, char* text, size_t size) const;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_:
    bool ended_ = false;
    EStage stage_ = DATABASE;
    Clock::time_point started_;
    Clock::time_point readingStarted_;
    uint64_t totalBytes_ = 0;
    // Counted by the export, read by the thread:
    std::atomic<uint64_t> records_{0};
    std::atomic<uint64_t> textBytes_{0};
    std::atomic<uint64_t> writtenBytes_{0};
};

// Erases the line if it is shown, with nothing but a write: for signal
// handlers and the like, which end the process next.
void EraseProgressLineInHandler();

#endif
