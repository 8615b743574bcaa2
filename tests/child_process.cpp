// The program under test in a process of its own, behind a parent that reports on it.
#include "tests/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace child {

namespace {

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// What the parent tells of the program: its wait status, and its CPU time once it has ended.
struct Report {
    int status;
    long long cpu_us;
};

// The entries as the null-terminated array of pointers that execve takes.
std::vector<char*> pointers(std::vector<std::string>& entries) {
    std::vector<char*> list;
    for (auto& entry : entries)
        list.push_back(entry.data());
    list.push_back(nullptr);
    return list;
}

// Closes every descriptor from `first` on.
void close_from(int first) {
    if (close_range(static_cast<unsigned>(first), ~0U, 0) != 0)
        for (int fd = first; fd < 1024; ++fd)
            close(fd);
}

} // namespace

std::vector<std::string> with_changes(std::vector<std::string> env,
                                      const std::vector<std::string>& changes) {
    for (const std::string& entry : changes) {
        const std::string name = entry.substr(0, entry.find('='));
        std::erase_if(env, [&](const std::string& e) { return e.substr(0, e.find('=')) == name; });
        if (entry.find('=') != std::string::npos) env.push_back(entry);
    }
    return env;
}

std::vector<std::string> own_environment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry);
    return env;
}

std::string describe_status(int st) {
    if (WIFEXITED(st)) return "exit " + std::to_string(WEXITSTATUS(st));
    if (WIFSIGNALED(st))
        return "signal " + std::to_string(WTERMSIG(st)) + " (" + strsignal(WTERMSIG(st)) + ")";
    if (WIFSTOPPED(st)) return "stopped by signal " + std::to_string(WSTOPSIG(st));
    return "status " + std::to_string(st);
}

Process::Process(const Start& start, int rows, int cols) {
    const auto& streams = start.streams;
    output_piped_ = streams[1] == piped;
    int slave = -1;
    if (std::find(streams.begin(), streams.end(), on_pty) != streams.end()) {
        winsize size{};
        size.ws_row = static_cast<unsigned short>(rows);
        size.ws_col = static_cast<unsigned short>(cols);
        if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) fail("openpty");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(master_, F_SETFL, O_NONBLOCK);
        tcgetattr(master_, &initial_);
        pty_ = master_;
    }
    // The program's end of each stream; the test's ends of the pipes, non-blocking.
    std::array<int, 3> fds{};
    std::vector<int> theirs = {slave};
    for (int i = 0; i < 3; ++i) {
        fds[i] = streams[i] == on_pty ? slave : streams[i];
        if (streams[i] != piped) continue;
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) fail("pipe2");
        const bool in = i == 0; // the program reads its input's end 0, writes the others' end 1
        fds[i] = ends[in ? 0 : 1];
        theirs.push_back(fds[i]);
        int& ours = in ? input_ : i == 1 ? out_ : err_;
        ours = ends[in ? 1 : 0];
        fcntl(ours, F_SETFL, O_NONBLOCK);
    }
    if (streams[0] == on_pty) input_ = master_;
    if (streams[0] == piped) ::signal(SIGPIPE, SIG_IGN); // a write after the program has gone
    launch(start, fds, slave);
    for (int fd : theirs)
        if (fd >= 0) close(fd);
}

void Process::launch(Start start, const std::array<int, 3>& fds, int terminal) {
    // Everything the children need is built before fork: after it they only make system calls.
    start.args.insert(start.args.begin(), start.program);
    if (char* real = realpath(start.program.c_str(), nullptr)) image_ = real, free(real);
    const std::vector<char*> argv = pointers(start.args), envp = pointers(start.env);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) fail("pipe2");

    reporter_ = fork();
    if (reporter_ < 0) fail("fork");
    if (reporter_ == 0) {
        // The parent: for a job, the session leader that owns the pty as controlling terminal,
        // like a shell; it reports the program's pid and every change of its state.
        close(report[0]);
        if (start.session == Session::Job) {
            setsid();
            ioctl(terminal, TIOCSCTTY, 0);
        }
        const pid_t program = fork();
        if (program == 0) {
            if (start.session == Session::Job) {
                ::signal(SIGTTOU, SIG_IGN); // taking the terminal from the background
                setpgid(0, 0);
                tcsetpgrp(terminal, getpid());
            } else if (start.session != Session::Test) {
                setsid();
                if (start.session == Session::Own) ioctl(terminal, TIOCSCTTY, 0);
            }
            for (int s = 1; s < NSIG; ++s)
                ::signal(s, SIG_DFL);
            if (start.ignore_sigpipe) ::signal(SIGPIPE, SIG_IGN);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int fd = 0; fd < 3; ++fd)
                if (fds[fd] >= 0) dup2(fds[fd], fd);
            for (int fd = 0; fd < 3; ++fd)
                if (fds[fd] == closed) close(fd);
            close_from(STDERR_FILENO + 1);
            if (start.nonblocking) fcntl(STDIN_FILENO, F_SETFL, O_RDWR | O_NONBLOCK);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        ::signal(SIGHUP, SIG_IGN); // the pty hanging up ends the program, not its parent
        if (start.session == Session::Job) setpgid(program, program);
        // Only the report pipe stays open here: no end of the pty or of the test's pipes.
        const int to_test = STDERR_FILENO + 1;
        if (dup2(report[1], to_test) < 0) _exit(1);
        close_from(to_test + 1);
        int message = program;
        if (write(to_test, &message, sizeof message) < 0) _exit(1);
        for (;;) {
            int st = 0;
            rusage usage{};
            if (wait4(program, &st, WUNTRACED | WCONTINUED, &usage) < 0) {
                if (errno == EINTR) continue;
                _exit(1);
            }
            const Report r{st, (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                                   usage.ru_utime.tv_usec + usage.ru_stime.tv_usec};
            if (write(to_test, &r, sizeof r) < 0) _exit(1);
            if (WIFEXITED(st) || WIFSIGNALED(st)) _exit(0);
        }
    }
    close(report[1]);
    report_fd_ = report[0];
    if (read(report_fd_, &pid_, sizeof pid_) != static_cast<ssize_t>(sizeof pid_))
        fail("reading the program's pid");
}

Process::~Process() {
    if (!ended_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        while (!reporter_gone_)
            read_report();
    }
    end_input();
    for (int fd : {master_, out_, err_, report_fd_})
        if (fd >= 0) close(fd);
    int st;
    while (waitpid(reporter_, &st, 0) < 0 && errno == EINTR) {
    }
}

void Process::signal(int sig) {
    if (!ended_) kill(pid_, sig);
}

void Process::type(std::string_view keys) {
    while (!keys.empty() && input_ >= 0 && (input_ != master_ || pty_ >= 0)) {
        const ssize_t n = write(input_, keys.data(), keys.size());
        if (n > 0) {
            keys.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            end_input(); // the program has gone: nobody reads its input any more
        } else {
            pump(milliseconds{100}, true);
        }
    }
}

void Process::end_input() {
    if (input_ >= 0 && input_ != master_) close(input_);
    input_ = -1;
}

void Process::resize(int rows, int cols) {
    winsize size{};
    size.ws_row = static_cast<unsigned short>(rows);
    size.ws_col = static_cast<unsigned short>(cols);
    if (ioctl(master_, TIOCSWINSZ, &size) != 0) fail("TIOCSWINSZ");
}

void Process::hang_up() {
    if (master_ < 0) return;
    if (input_ == master_) input_ = -1;
    close(master_);
    master_ = pty_ = -1;
}

void Process::read_report() {
    Report r{};
    const ssize_t n = read(report_fd_, &r, sizeof r);
    if (n < 0 && errno == EINTR) return;
    if (n != static_cast<ssize_t>(sizeof r)) {
        reporter_gone_ = true;
        return;
    }
    if (WIFSTOPPED(r.status)) {
        stopped_ = true;
    } else if (WIFCONTINUED(r.status)) {
        stopped_ = false;
    } else {
        stopped_ = false;
        ended_ = true;
        status_ = r.status;
        cpu_seconds_ = static_cast<double>(r.cpu_us) / 1e6;
    }
}

void Process::read_output(int& fd) {
    char buffer[65536];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) { // the end of a pipe, or EIO: every end of the pty's slave side is closed
        if (fd != master_) close(fd);
        fd = -1;
    } else if (fd == err_) {
        errors_.append(buffer, static_cast<std::size_t>(n));
    } else if (fd == out_ || !output_piped_) {
        output_.append(buffer, static_cast<std::size_t>(n));
        arrivals_.emplace_back(Clock::now(), output_.size());
    }
}

void Process::look_at_memory() {
    if (ended_ || pid_ <= 0) return;
    // Until the exec, the process is still a copy of the test, with the test's memory.
    char exe[4096];
    const ssize_t n = readlink(("/proc/" + std::to_string(pid_) + "/exe").c_str(), exe, sizeof exe);
    if (n <= 0 || std::string_view(exe, static_cast<std::size_t>(n)) != image_) return;
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            peak_memory_kb_ = std::max(peak_memory_kb_, std::stol(line.substr(6)));
}

bool Process::pump(milliseconds timeout, bool writing) {
    look_at_memory();
    pollfd fds[5];
    nfds_t count = 0;
    for (int fd : {pty_, out_, err_, reporter_gone_ ? -1 : report_fd_})
        if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    if (writing && input_ >= 0) fds[count++] = {input_, POLLOUT, 0};
    if (count == 0) return false;
    const int r = poll(fds, count, static_cast<int>(std::max<long long>(0, timeout.count())));
    if (r < 0 && errno != EINTR) fail("poll");
    if (r <= 0) return false;
    for (nfds_t i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)) || fds[i].events == POLLOUT) continue;
        if (fds[i].fd == report_fd_) {
            read_report();
        } else {
            for (int* fd : {&pty_, &out_, &err_})
                if (*fd == fds[i].fd) read_output(*fd);
        }
    }
    return true;
}

bool Process::wait_for_output(std::string_view text, std::size_t from, milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (output_.find(text, from) != std::string::npos) return true;
        // A match not found yet can only begin in what arrives next.
        if (output_.size() >= text.size()) from = std::max(from, output_.size() - text.size() + 1);
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (output_over() || left.count() <= 0) return false;
        pump(std::min(left, milliseconds{100}));
    }
}

bool Process::end_within(milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (auto left = timeout; !ended_ && !reporter_gone_ && left.count() > 0;
         left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()))
        pump(std::min(left, milliseconds{100}));
    const bool by_itself = ended_;
    if (!ended_) signal(SIGKILL);
    while (!ended_ && !reporter_gone_)
        pump(milliseconds{100});
    while (!output_over() && pump(milliseconds{100})) {
    }
    return by_itself;
}

termios Process::modes() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
}

std::vector<Chunk> Process::chunks() const {
    std::vector<Chunk> list;
    std::size_t begin = 0;
    for (const auto& [when, end] : arrivals_) {
        list.push_back({when, output_.substr(begin, end - begin)});
        begin = end;
    }
    return list;
}

Clock::time_point Process::arrival(std::size_t offset) const {
    const auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), offset,
                                     [](std::size_t o, const auto& a) { return o < a.second; });
    return it == arrivals_.end() ? Clock::now() : it->first;
}

} // namespace child
