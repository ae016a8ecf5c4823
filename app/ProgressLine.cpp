#include "app/ProgressLine.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#ifndef _WIN32
#include "app/DefaultAction.h"
#endif

namespace {

constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);
constexpr auto FIRST_SHOWN_AFTER = std::chrono::seconds(1);
// Shorter than any terminal's width; the text is cut to a narrower one, as
// a line that wraps would not be erased whole.
constexpr size_t LONGEST_TEXT = 100;
constexpr size_t DEFAULT_WIDTH = 80;
constexpr double MIB = 1024.0 * 1024.0;

// The length of the text on the screen, 0 while none is: handlers read it.
std::atomic<size_t> shownLength{0};

#ifdef _WIN32
bool IsTerminal(FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

size_t TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return DEFAULT_WIDTH;
    return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

bool IsInBackground() { return false; }

void WriteStandardError(const char* text, size_t length) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

// A console of older Windows knows no escape sequences: the rest of a longer
// line before is overwritten with blanks.
size_t AppendEraseToEnd(char* line, size_t length, size_t previous) {
    while (length <= previous) line[length++] = ' ';
    return length;
}

BOOL WINAPI EraseAtControlEvent(DWORD) {
    EraseProgressLineInHandler();
    return FALSE;
}

void EraseAtInterrupt() { SetConsoleCtrlHandler(EraseAtControlEvent, TRUE); }

void KeepInterrupt() { SetConsoleCtrlHandler(EraseAtControlEvent, FALSE); }
#else
bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

size_t TerminalWidth() {
    struct winsize size;
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return DEFAULT_WIDTH;
    return size.ws_col;
}

// A job that the shell runs in the background of the terminal (started with
// "&", or stopped and continued with "bg") would draw over the shell's
// prompt. A terminal that is not the process's own has no such jobs.
bool IsInBackground() {
    const pid_t foreground = tcgetpgrp(STDERR_FILENO);
    return foreground != -1 && foreground != getpgrp();
}

void WriteStandardError(const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = write(STDERR_FILENO, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

size_t AppendEraseToEnd(char* line, size_t length, size_t) {
    std::memcpy(line + length, "\x1b[K", 3);
    return length + 3;
}

struct sigaction interruptAction;
sigset_t savedMask;
bool interruptTaken = false;
bool maskSaved = false;

// The default action ends the process, as the signal is raised again.
void OnInterrupt(int signal) {
    const int savedErrno = errno;
    EraseProgressLineInHandler();
    RaiseWithDefaultAction(signal);
    errno = savedErrno;
}

// The calling thread blocks Ctrl-C from now on, so that the handler runs on
// the line's thread, which cannot be drawing then. A shell starts a
// background job with Ctrl-C ignored, and so it stays. A reader of standard
// output that has gone (quillet ... | head) is held back as well: the write
// fails instead, and its SIGPIPE ends the program once the line is erased.
void EraseAtInterrupt() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, nullptr, &interruptAction) == 0 && interruptAction.sa_handler != SIG_IGN) {
        interruptTaken = sigaction(SIGINT, &action, nullptr) == 0;
    }
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGPIPE);
    if (interruptTaken) sigaddset(&blocked, SIGINT);
    maskSaved = pthread_sigmask(SIG_BLOCK, &blocked, &savedMask) == 0;
}

// REQUIRES: the line's thread has ended. A signal held back meanwhile is
// taken by the previous action once unblocked.
void KeepInterrupt() {
    if (interruptTaken) sigaction(SIGINT, &interruptAction, nullptr);
    if (maskSaved) pthread_sigmask(SIG_SETMASK, &savedMask, nullptr);
    interruptTaken = maskSaved = false;
}
#endif

// m:ss, or h:mm:ss from the first hour on.
void FormatElapsed(long long seconds, char* text, size_t size) {
    if (seconds < 3600) {
        std::snprintf(text, size, "%lld:%02lld", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, size, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    }
}

}  // namespace

bool CProgressLine::IsWanted() {
    const char* term = std::getenv("TERM");
    return WritesToTerminal(stderr) && (term == nullptr || std::strcmp(term, "dumb") != 0);
}

bool CProgressLine::WritesToTerminal(FILE* stream) { return IsTerminal(stream); }

void CProgressLine::Start() {
    if (thread_.joinable() || ended_) return;
    started_ = Clock::now();
    try {
        thread_ = std::thread(&CProgressLine::Redraw, this);
    } catch (const std::system_error&) {
        return;
    } catch (const std::bad_alloc&) {
        return;
    }
    EraseAtInterrupt();
}

void CProgressLine::StartReading() {
    const std::lock_guard<std::mutex> lock(mutex_);
    stage_ = READING;
    readingStarted_ = Clock::now();
}

std::atomic<uint64_t>* CProgressLine::StartWriting(uint64_t totalBytes) {
    if (!thread_.joinable()) return nullptr;
    const std::lock_guard<std::mutex> lock(mutex_);
    stage_ = WRITING;
    totalBytes_ = totalBytes;
    return &writtenBytes_;
}

void CProgressLine::End() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        EraseProgressLineInHandler();
    }
    wake_.notify_one();
    thread_.join();
    KeepInterrupt();
}

// The next redraw is timed from the end of this one, so that a terminal that
// took long never gets a burst of them.
void CProgressLine::Redraw() {
    std::unique_lock<std::mutex> lock(mutex_);
    Clock::time_point next = started_ + FIRST_SHOWN_AFTER;
    while (!wake_.wait_until(lock, next, [this] { return ended_; })) {
        Draw(Clock::now());
        next = Clock::now() + REDRAW_INTERVAL;
    }
}

void CProgressLine::Draw(Clock::time_point now) {
    if (IsInBackground()) {
        shownLength.store(0);
        return;
    }
    char line[1 + 2 * LONGEST_TEXT + 4] = "\r";
    const size_t width = std::min(LONGEST_TEXT, std::max<size_t>(TerminalWidth(), 2) - 1);
    const size_t length = Compose(now, line + 1, width + 1);
    // Counted as shown before it is, as Ctrl-C may come in the middle of the write.
    const size_t previous = shownLength.exchange(std::max<size_t>(length, 1));
    WriteStandardError(line, AppendEraseToEnd(line, 1 + length, previous));
}

size_t CProgressLine::Compose(Clock::time_point now, char* text, size_t size) const {
    char elapsed[32];
    FormatElapsed(std::chrono::duration_cast<std::chrono::seconds>(now - started_).count(), elapsed, sizeof elapsed);
    int length = 0;
    if (stage_ == DATABASE) {
        length = std::snprintf(text, size, "Waiting for the database, %s", elapsed);
    } else if (stage_ == READING) {
        const unsigned long long records = records_.load(std::memory_order_relaxed);
        const long long milliseconds = std::max<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now - readingStarted_).count(), 100);
        length = std::snprintf(text, size, "%llu records read, %.1f MiB of CSV, %llu records/s, %s", records,
                               static_cast<double>(textBytes_.load(std::memory_order_relaxed)) / MIB,
                               records * 1000 / static_cast<unsigned long long>(milliseconds), elapsed);
    } else {
        length = std::snprintf(text, size, "Writing %.1f of %.1f MiB, %s",
                               static_cast<double>(writtenBytes_.load(std::memory_order_relaxed)) / MIB,
                               static_cast<double>(totalBytes_) / MIB, elapsed);
    }
    return std::min(static_cast<size_t>(std::max(length, 0)), size - 1);
}

void EraseProgressLineInHandler() {
    const size_t shown = shownLength.exchange(0);
    if (shown == 0 || IsInBackground()) return;
#ifdef _WIN32
    char blanks[LONGEST_TEXT + 2];
    std::memset(blanks, ' ', sizeof blanks);
    blanks[0] = '\r';
    blanks[shown + 1] = '\r';
    WriteStandardError(blanks, shown + 2);
#else
    WriteStandardError("\r\x1b[K", 4);
#endif
}
