// End-to-end harness: the libvterm emulator, and the game on a pty whose output it renders.
#include "pty_vterm.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vterm.h>

namespace e2e {

namespace {

void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string trim_right(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

} // namespace

std::string describe(const Color& color) {
    char text[32];
    switch (color.kind) {
    case Color::Kind::Default:
        return "default";
    case Color::Kind::Indexed:
        std::snprintf(text, sizeof text, "idx %d", color.index);
        return text;
    case Color::Kind::Rgb:
        break;
    }
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

const Cell& Screen::at(int row, int col) const {
    return cells.at(static_cast<std::size_t>(row * cols + col));
}

std::string Screen::line(int row) const {
    std::string text;
    for (int col = 0; col < cols; ++col)
        if (at(row, col).width != 0) text += at(row, col).shown();
    return trim_right(text);
}

std::string Screen::dump() const {
    std::string text = "screen " + std::to_string(cols) + "x" + std::to_string(rows) +
                       (alternate ? " (alternate)" : " (main)") + ", cursor " +
                       std::to_string(cursor_row) + "," + std::to_string(cursor_col) + "\n";
    for (int row = 0; row < rows; ++row) {
        char number[16];
        std::snprintf(number, sizeof number, "%2d|", row);
        text += number + line(row) + "\n";
    }
    return text;
}

// --- Emulator ---------------------------------------------------------------------------------

Emulator::Emulator(int rows, int cols, bool utf8) : rows_(rows), cols_(cols) {
    vt_ = vterm_new(rows, cols);
    if (!vt_) throw std::runtime_error("vterm_new failed");
    vterm_set_utf8(vt_, utf8 ? 1 : 0);
    vterm_output_set_callback(vt_, &Emulator::on_vterm_output, this);
    state_ = vterm_obtain_state(vt_);
    screen_ = vterm_obtain_screen(vt_);
    static const VTermScreenCallbacks callbacks = [] {
        VTermScreenCallbacks c{};
        c.settermprop = [](VTermProp prop, VTermValue* value, void* self) {
            return Emulator::on_termprop(static_cast<int>(prop), value, self);
        };
        return c;
    }();
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
}

void Emulator::set_default_colors(std::uint8_t fg_red, std::uint8_t fg_green, std::uint8_t fg_blue,
                                  std::uint8_t bg_red, std::uint8_t bg_green,
                                  std::uint8_t bg_blue) {
    VTermColor fg, bg;
    vterm_color_rgb(&fg, fg_red, fg_green, fg_blue);
    vterm_color_rgb(&bg, bg_red, bg_green, bg_blue);
    vterm_state_set_default_colors(state_, &fg, &bg);
}

void Emulator::resize(int rows, int cols) {
    vterm_set_size(vt_, rows, cols);
    rows_ = rows;
    cols_ = cols;
}

Emulator::~Emulator() {
    vterm_free(vt_);
}

int Emulator::on_termprop(int prop, void* value, void* self) {
    auto* emulator = static_cast<Emulator*>(self);
    const auto* v = static_cast<const VTermValue*>(value);
    if (prop == VTERM_PROP_CURSORVISIBLE) emulator->cursor_visible_ = v->boolean != 0;
    if (prop == VTERM_PROP_ALTSCREEN) emulator->alternate_ = v->boolean != 0;
    return 1;
}

void Emulator::on_vterm_output(const char* bytes, std::size_t len, void* self) {
    auto* emulator = static_cast<Emulator*>(self);
    if (emulator->sink_) emulator->sink_(std::string_view(bytes, len));
}

void Emulator::feed(std::string_view bytes) {
    if (!bytes.empty()) vterm_input_write(vt_, bytes.data(), bytes.size());
}

Color Emulator::convert(const void* vterm_color) const {
    const VTermColor original = *static_cast<const VTermColor*>(vterm_color);
    Color color;
    if (VTERM_COLOR_IS_DEFAULT_FG(&original) || VTERM_COLOR_IS_DEFAULT_BG(&original)) {
        color.kind = Color::Kind::Default;
    } else if (VTERM_COLOR_IS_INDEXED(&original)) {
        color.kind = Color::Kind::Indexed;
        color.index = original.indexed.idx;
    } else {
        color.kind = Color::Kind::Rgb;
    }
    VTermColor rgb = original;
    vterm_screen_convert_color_to_rgb(screen_, &rgb);
    color.red = rgb.rgb.red;
    color.green = rgb.rgb.green;
    color.blue = rgb.rgb.blue;
    // The drawn RGB of a default colour is the terminal's default foreground or background.
    return color;
}

Cell Emulator::cell(int row, int col) const {
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &c);
    Cell cell;
    if (c.chars[0] == static_cast<std::uint32_t>(-1)) {
        cell.width = 0; // the right half of a wide character
    } else {
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i)
            append_utf8(cell.text, c.chars[i]);
        cell.width = c.width;
    }
    cell.fg = convert(&c.fg);
    cell.bg = convert(&c.bg);
    cell.bold = c.attrs.bold;
    cell.italic = c.attrs.italic;
    cell.underline = c.attrs.underline != 0;
    cell.blink = c.attrs.blink;
    cell.reverse = c.attrs.reverse;
    cell.strike = c.attrs.strike;
    return cell;
}

std::string Emulator::line(int row) const {
    std::string text;
    for (int col = 0; col < cols_; ++col) {
        const Cell c = cell(row, col);
        if (c.width != 0) text += c.shown();
    }
    return trim_right(text);
}

std::pair<int, int> Emulator::find(std::string_view text) const {
    for (int row = 0; row < rows_; ++row) {
        const std::string l = line(row);
        if (auto at = l.find(text); at != std::string::npos) {
            // Columns count characters, not bytes.
            int col = 0;
            for (std::size_t i = 0; i < at; ++i)
                if ((static_cast<unsigned char>(l[i]) & 0xC0) != 0x80) ++col;
            return {row, col};
        }
    }
    return {-1, -1};
}

int Emulator::cursor_row() const {
    VTermPos pos;
    vterm_state_get_cursorpos(state_, &pos);
    return pos.row;
}

int Emulator::cursor_col() const {
    VTermPos pos;
    vterm_state_get_cursorpos(state_, &pos);
    return pos.col;
}

Color Emulator::pen_fg() const {
    VTermValue value{};
    vterm_state_get_penattr(state_, VTERM_ATTR_FOREGROUND, &value);
    return convert(&value.color);
}

Color Emulator::pen_bg() const {
    VTermValue value{};
    vterm_state_get_penattr(state_, VTERM_ATTR_BACKGROUND, &value);
    return convert(&value.color);
}

Screen Emulator::snapshot() const {
    Screen s;
    s.rows = rows_;
    s.cols = cols_;
    s.cells.reserve(static_cast<std::size_t>(rows_ * cols_));
    for (int row = 0; row < rows_; ++row)
        for (int col = 0; col < cols_; ++col)
            s.cells.push_back(cell(row, col));
    s.cursor_row = cursor_row();
    s.cursor_col = cursor_col();
    s.cursor_visible = cursor_visible_;
    s.alternate = alternate_;
    return s;
}

// --- Game ---------------------------------------------------------------------------------------

std::string faketime_library() {
    return QUIRELO_LIBFAKETIME;
}

std::string game_program() {
    return QUIRELO_PROGRAM;
}

Game::Game(const Options& options)
    : child::Process(
          [&] {
              std::vector<std::string> env = {"PATH=/usr/bin:/bin", "TERM=xterm-256color",
                                              "LANG=" + options.locale, "LC_ALL=" + options.locale};
              if (options.fast_clock) {
                  env.push_back("LD_PRELOAD=" + faketime_library());
                  env.push_back("FAKETIME=+0 x10");
                  env.push_back("FAKETIME_NO_CACHE=1");
              }
              return child::Start{
                  options.program,     options.args, child::with_changes(env, options.env),
                  child::Session::Job, false,        options.nonblocking,
                  options.streams};
          }(),
          options.rows, options.cols),
      emulator_(options.rows, options.cols) {
    if (options.light_theme) emulator_.set_default_colors(0, 0, 0, 255, 255, 255);
    emulator_.on_output([this](std::string_view answer) { type(answer); });
}

// Feeds what is pending one piece at a time, each piece ending before an escape character.
bool Game::feed_pending(const std::function<bool()>& done, Clock::time_point& when) {
    const std::string& all = output();
    while (rendered_ < all.size()) {
        std::size_t end = all.find('\033', rendered_ + 1);
        if (end == std::string::npos) end = all.size();
        // A copy: the terminal's answers are typed from inside feed(), and typing may read more.
        emulator_.feed(all.substr(rendered_, end - rendered_));
        rendered_at_ = arrival(end - 1);
        rendered_ = end;
        if (done()) {
            when = rendered_at_;
            return true;
        }
    }
    return false;
}

std::optional<Clock::time_point> Game::wait_until(const std::function<bool()>& done,
                                                  milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    if (done()) return Clock::now();
    for (;;) {
        Clock::time_point when;
        if (feed_pending(done, when)) return when;
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        if (finished()) return done() ? std::optional(Clock::now()) : std::nullopt;
        if (!pump(std::min(left, milliseconds{1000}))) continue;
        // A change of the process, or the end of the output, may be what is waited for.
        if (rendered_ == output().size() && done()) return Clock::now();
    }
}

void Game::resize(int rows, int cols) {
    while (pump(milliseconds{0})) {
    }
    Clock::time_point when;
    feed_pending([] { return false; }, when);
    emulator_.resize(rows, cols);
    child::Process::resize(rows, cols);
}

std::optional<Clock::time_point> Game::wait_for_text(std::string_view text, milliseconds timeout) {
    return wait_until([&] { return emulator_.contains(text); }, timeout);
}

bool Game::wait_exit(milliseconds timeout) {
    // Output is over once the game and its leader have closed the pty; feed it all.
    return wait_until([&] { return ended() && finished() && rendered_ == output().size(); },
                      timeout)
        .has_value();
}

bool Game::wait_stopped(milliseconds timeout) {
    // The game leaves the alternate screen before it stops; both must have happened.
    return wait_until([&] { return stopped() && !emulator_.alternate_screen(); }, timeout)
        .has_value();
}

} // namespace e2e
