#include "tests/app/ProgramRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

namespace {

// Both ends are closed on exec; the child dups the ends it keeps.
struct Pipe {
    int read = -1;
    int write = -1;

    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
        read = fds[0];
        write = fds[1];
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (read >= 0) close(read);
        read = -1;
    }
    void CloseWrite() {
        if (write >= 0) close(write);
        write = -1;
    }
};

[[noreturn]] void ExecChild(const std::vector<std::string>& args, const Pipe& in, const Pipe& out,
                            const Pipe& err, bool stdinClosed, bool stdoutClosed) {
    // The parent ignores SIGPIPE, and an ignored signal would stay ignored across exec.
    signal(SIGPIPE, SIG_DFL);
    dup2(err.write, STDERR_FILENO);
    if (stdinClosed) {
        close(STDIN_FILENO);
    } else {
        dup2(in.read, STDIN_FILENO);
    }
    if (stdoutClosed) {
        close(STDOUT_FILENO);
    } else {
        dup2(out.write, STDOUT_FILENO);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(QUILLET_BINARY));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(QUILLET_BINARY, argv.data());
    _exit(127);
}

// Appends what is ready on fd to text; false once the writer has closed it.
bool Drain(int fd, std::string& text) {
    char chunk[65536];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    text.append(chunk, static_cast<size_t>(n));
    return n > 0;
}

// Writes the next piece of input; false once everything is written or the reader is gone.
bool Feed(int fd, const std::string& input, size_t& written) {
    const ssize_t n = write(fd, input.data() + written, input.size() - written);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    written += static_cast<size_t>(n);
    return written < input.size();
}

void Exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProgramResult& result) {
    size_t written = 0;
    if (input.empty()) in.CloseWrite();
    while (in.write >= 0 || out.read >= 0 || err.read >= 0) {
        pollfd fds[3] = {{in.write, POLLOUT, 0}, {out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        if (fds[0].revents != 0 && !Feed(in.write, input, written)) in.CloseWrite();
        if (fds[1].revents != 0 && !Drain(out.read, result.out)) out.CloseRead();
        if (fds[2].revents != 0 && !Drain(err.read, result.err)) err.CloseRead();
    }
}

int WaitForExit(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

}  // namespace

CProgramRunner::CProgramRunner(std::vector<std::string> arguments) : args(std::move(arguments)) {}

CProgramRunner& CProgramRunner::Input(std::string text) {
    input = std::move(text);
    return *this;
}

CProgramRunner& CProgramRunner::CloseStdin() {
    stdinClosed = true;
    return *this;
}

CProgramRunner& CProgramRunner::CloseStdout() {
    stdoutClosed = true;
    return *this;
}

ProgramResult CProgramRunner::Run() const {
    signal(SIGPIPE, SIG_IGN);  // a program that stops reading early must not end the test
    Pipe in;
    Pipe out;
    Pipe err;
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) ExecChild(args, in, out, err, stdinClosed, stdoutClosed);
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();
    fcntl(in.write, F_SETFL, O_NONBLOCK);
    ProgramResult result;
    Exchange(in, out, err, input, result);
    result.status = WaitForExit(pid);
    return result;
}
