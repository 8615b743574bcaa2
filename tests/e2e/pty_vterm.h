// End-to-end harness: the real game in a pseudo-terminal, its output rendered by libvterm.
//
// Two parts that can be used apart:
//  - Emulator: a libvterm terminal of a given size. Feed it bytes; read every cell (characters,
//    text colour, background, attributes), the cursor, the alternate screen and the pen. A
//    Screen is a plain copy of it, fit for printing or for drawing a picture of the terminal.
//  - Game: the executable started in a pty of W x H (optionally with libfaketime's speed-up) by
//    the tests' child process (tests/child_process.h), its output pumped into an Emulator,
//    event-driven: wait until a condition on the screen holds, type keys, send signals, read the
//    pty's modes after the game has gone.
#pragma once

#include "tests/child_process.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;
struct VTermState;

namespace e2e {

using child::Chunk;
using child::Clock;
using std::chrono::milliseconds;

// A text or background colour as the terminal holds it.
struct Color {
    enum class Kind { Default, Indexed, Rgb };
    Kind kind = Kind::Default;
    int index = -1; // 0..255 for Indexed, -1 otherwise
    // The colour as drawn (the palette or the default colour resolved), for pictures.
    std::uint8_t red = 0, green = 0, blue = 0;

    bool is_default() const { return kind == Kind::Default; }
    bool is_index(int i) const { return kind == Kind::Indexed && index == i; }
    bool operator==(const Color&) const = default;
};

// "default", "idx 3" or "#rrggbb", for messages.
std::string describe(const Color& color);

// One cell of the screen.
struct Cell {
    std::string text; // the cell's characters in UTF-8; empty for a cell never written or erased
    int width = 1;    // 2 for the first half of a wide character, 0 for its second half
    Color fg, bg;
    bool bold = false, italic = false, underline = false, blink = false, reverse = false,
         strike = false;

    // The character as a reader sees it: the text, or a space for an empty cell.
    std::string shown() const { return text.empty() ? std::string(" ") : text; }
};

// A copy of the whole terminal at one moment.
struct Screen {
    int rows = 0, cols = 0;
    std::vector<Cell> cells; // row after row
    int cursor_row = 0, cursor_col = 0;
    bool cursor_visible = true;
    bool alternate = false; // the alternate screen is shown

    const Cell& at(int row, int col) const;
    // The row's characters, trailing blanks removed.
    std::string line(int row) const;
    // Every row, one per line, with row numbers: for failure messages.
    std::string dump() const;
};

// A libvterm terminal: feeding it bytes renders them like a real terminal emulator.
class Emulator {
  public:
    Emulator(int rows, int cols, bool utf8 = true);
    // The terminal's own colours (what "default" is drawn in), as a light or dark theme sets.
    void set_default_colors(std::uint8_t fg_red, std::uint8_t fg_green, std::uint8_t fg_blue,
                            std::uint8_t bg_red, std::uint8_t bg_green, std::uint8_t bg_blue);
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    void feed(std::string_view bytes);
    // The window's new size, as a terminal emulator takes it (libvterm fills new cells itself).
    void resize(int rows, int cols);
    // Where the terminal's own answers (to queries) go; dropped when unset.
    void on_output(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    Cell cell(int row, int col) const;
    std::string line(int row) const; // trailing blanks removed
    // Whether the text stands on one row, and where (row, column), or {-1, -1}.
    std::pair<int, int> find(std::string_view text) const;
    bool contains(std::string_view text) const { return find(text).first >= 0; }
    int cursor_row() const;
    int cursor_col() const;
    bool cursor_visible() const { return cursor_visible_; }
    bool alternate_screen() const { return alternate_; }
    // The colours that text written now would get: what a shell prompt would be drawn in.
    Color pen_fg() const;
    Color pen_bg() const;
    Screen snapshot() const;
    std::string dump() const { return snapshot().dump(); }

  private:
    Color convert(const void* vterm_color) const;
    static int on_termprop(int prop, void* value, void* self);
    static void on_vterm_output(const char* bytes, std::size_t len, void* self);

    int rows_, cols_;
    VTerm* vt_;
    VTermScreen* screen_;
    VTermState* state_;
    bool cursor_visible_ = true;
    bool alternate_ = false;
    std::function<void(std::string_view)> sink_;
};

// The path of libfaketime, and the program, as the build gave them.
std::string faketime_library();
std::string game_program();

// How to start the game.
struct Options {
    std::string program = game_program(); // path of the executable
    std::vector<std::string> args = {};   // its arguments (a multiplexer's or wine's command line)
    int rows = 30, cols = 80;             // the pty's window size
    std::string locale = "C.UTF-8";       // LANG and LC_ALL of the game
    bool fast_clock = true; // preload libfaketime so that its sleeps run ten times faster
    // NAME=value entries, each replacing the harness's own NAME (TERM=xterm-256color, PATH, the
    // locale); a bare NAME removes it.
    std::vector<std::string> env = {};
    bool light_theme = false; // the terminal's own colours are black on white
    bool nonblocking = false; // as in child::Start
    std::array<int, 3> streams = {child::on_pty, child::on_pty,
                                  child::on_pty}; // as in child::Start
};

// The game running in a pseudo-terminal of its own, as the foreground job of a session whose
// leader is a tiny shell-like parent (so that Ctrl-Z really stops it), with the emulator
// rendering its output. Nothing is rendered unless a wait pumps it.
class Game : public child::Process {
  public:
    explicit Game(const Options& options);

    Emulator& screen() { return emulator_; }

    // Pumps output into the emulator until `done` holds, checking it before every escape
    // sequence (so every state the game leaves on screen is seen, even when several arrive
    // in one read) and after every change of the game's process state. Returns when the
    // output that made it hold arrived, or nothing after `timeout`.
    std::optional<Clock::time_point> wait_until(const std::function<bool()>& done,
                                                milliseconds timeout);
    std::optional<Clock::time_point> wait_for_text(std::string_view text, milliseconds timeout);
    // The window's new size: what the game wrote so far is rendered at the old size, then the
    // emulator and the pty take the new one (and the game gets SIGWINCH).
    void resize(int rows, int cols);
    // The game has ended (exit or signal) and all its output is rendered (the pty hung up).
    bool wait_exit(milliseconds timeout);
    // The game is stopped (Ctrl-Z), with the output it wrote on its way rendered.
    bool wait_stopped(milliseconds timeout);

    // When the output now on screen arrived: inside a `done` condition, the arrival of the
    // piece just rendered, so that conditions can time what they see.
    Clock::time_point rendered_at() const { return rendered_at_; }

  private:
    bool feed_pending(const std::function<bool()>& done, Clock::time_point& when);

    Emulator emulator_;
    std::size_t rendered_ = 0; // the output fed to the emulator
    Clock::time_point rendered_at_{};
};

using child::describe_status;

} // namespace e2e
