// The program under test in a process of its own, for the end-to-end and robustness tests: each of
// its standard streams on a pseudo-terminal, on a pipe of the test's, on a descriptor the test
// gives, or closed; what it writes on the pty or the pipes is kept as it arrives. A
// small parent between the test and the program reaps it and reports on a pipe every change of
// its state (stopped, continued, ended), with its CPU time and peak memory once it has ended.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <termios.h>
#include <vector>

namespace child {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How the program stands to its terminal.
enum class Session {
    Job,  // the foreground job of a session led by its parent, as a shell runs it: Ctrl-Z stops it
    Own,  // the leader of a session of its own with the pty as controlling terminal: a hang-up
          // sends it SIGHUP
    None, // the leader of a session of its own with no controlling terminal
    Test, // in the test's own session, as on pipes
};

// What a standard stream of the program is, in Start::streams: the pty; a pipe of the test's (it
// types the input, and reads the output into output() and the errors into errors()); closed
// before the exec; or else a descriptor of the test's (a file, say), which stays the test's.
inline constexpr int on_pty = -1, piped = -2, closed = -3;

struct Start {
    std::string program;
    std::vector<std::string> args = {};
    std::vector<std::string> env = {}; // the whole environment, NAME=value entries
    Session session = Session::Job;
    bool ignore_sigpipe = false; // SIGPIPE ignored, as some shells and daemons leave it
    // On a pty: its file description left non-blocking (O_NONBLOCK), as an earlier program in the
    // same terminal can leave it: reads and writes that would wait fail with EAGAIN.
    bool nonblocking = false;
    std::array<int, 3> streams = {on_pty, on_pty, on_pty}; // standard input, output and error
};

// `env` with each of `changes`, NAME=value, in place of its NAME; a bare NAME removes it.
std::vector<std::string> with_changes(std::vector<std::string> env,
                                      const std::vector<std::string>& changes);
// This process's own environment.
std::vector<std::string> own_environment();

// Output of the program as it arrived.
struct Chunk {
    Clock::time_point when;
    std::string bytes;
};

class Process {
  public:
    // With its standard streams as `start.streams` says; a pty, of `rows` x `cols`, when one is
    // on it.
    explicit Process(const Start& start, int rows = 30, int cols = 80);
    ~Process(); // kills the program if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int sig);

    // Writes to the program's input, on the pty as keys typed on the keyboard ("\r" is Enter,
    // "\x03" Ctrl-C); while it takes no more, the program's output is read, so that its echo
    // cannot hold it up. Once the program has stopped reading (it has gone), nothing more is.
    void type(std::string_view keys);
    // Closes the input pipe: the end of the program's input.
    void end_input();
    // The window's new size: the kernel tells the terminal's foreground process group.
    void resize(int rows, int cols);
    // Closes the pty's master side, as closing the terminal window does; no more output is read
    // after it, and modes() is no longer available.
    void hang_up();

    // Waits up to `timeout` for output or a report and takes what came; false when nothing did.
    bool pump(milliseconds timeout, bool writing = false); // or, `writing`, room in the input
    // Reads output until `text` is in it at or after `from`; false when the time is up, or the
    // output is over, first.
    bool wait_for_output(std::string_view text, std::size_t from, milliseconds timeout);
    // Waits for the program to end, reading its output meanwhile, and kills it when `timeout` is
    // up; true when it ended by itself. The output it left is read too.
    bool end_within(milliseconds timeout);

    bool ended() const { return ended_; }
    bool stopped() const { return stopped_; }
    int wait_status() const { return status_; } // as waitpid gave it, once ended()
    // The program's user and system time, once ended().
    double cpu_seconds() const { return cpu_seconds_; }
    // The program's peak resident memory, in KiB, as last seen while it ran (every pump looks):
    // the high-water mark of its own image, which starts afresh at exec, so that the test it was
    // forked from is not counted, as it is in the peak that wait4 reports.
    long peak_memory_kb() const { return peak_memory_kb_; }
    void look_at_memory();
    // Nothing more can come: every end of the pty's slave side is closed (or the pty hung up),
    // the output pipes are closed, all of it read, and the parent has gone.
    bool finished() const { return output_over() && reporter_gone_; }

    // The pty's modes now (after the program has gone, what it left to the shell).
    termios modes() const;
    // The modes the pty had before the program started.
    const termios& initial_modes() const { return initial_; }
    // Everything the program wrote so far on its output pipe, or on the pty when its output is
    // not a pipe (a pty beside an output pipe is read, and dropped), and the same as it arrived.
    const std::string& output() const { return output_; }
    const std::string& errors() const { return errors_; } // what came through the error pipe
    std::vector<Chunk> chunks() const;
    // When the output's byte at `offset` arrived.
    Clock::time_point arrival(std::size_t offset) const;

  private:
    void launch(Start start, const std::array<int, 3>& fds, int terminal);
    void read_output(int& fd);
    void read_report();
    bool output_over() const { return pty_ < 0 && out_ < 0 && err_ < 0; }

    int master_ = -1;
    int pty_ = -1;            // the pty's master while its output is read
    int input_ = -1;          // where type() writes: the pty, or the input pipe
    int out_ = -1, err_ = -1; // the output and error pipes, while open
    bool output_piped_ = false;
    int report_fd_ = -1;
    pid_t pid_ = -1;      // the program
    std::string image_;   // the program's file, once resolved: what runs after the exec
    pid_t reporter_ = -1; // its parent
    termios initial_{};
    std::string output_, errors_;
    // Each read's arrival, and the end of its bytes in `output_`.
    std::vector<std::pair<Clock::time_point, std::size_t>> arrivals_;
    bool ended_ = false, stopped_ = false, reporter_gone_ = false;
    int status_ = 0;
    double cpu_seconds_ = 0;
    long peak_memory_kb_ = 0;
};

// "exit 0", "signal 15 (Terminated)", "stopped": for messages.
std::string describe_status(int wait_status);

} // namespace child
