// The robot player: reads rounds and flashes off the rendered screen and types answers.
#include "robot.h"

#include <algorithm>
#include <cstdio>

namespace e2e {

namespace {

// "(row,col) 'x' fg ... bg ...", for messages.
std::string describe_cell(int row, int col, const Cell& c) {
    // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "(" + std::string.
    std::string text(1, '(');
    text += std::to_string(row);
    text += ',';
    text += std::to_string(col);
    text += ") '" + c.shown() + "' fg " + describe(c.fg) + " bg " + describe(c.bg);
    return text;
}

// Adds a fault that is not there yet.
void note(std::vector<std::string>& faults, std::string fault) {
    for (const auto& f : faults)
        if (f == fault) return;
    faults.push_back(std::move(fault));
}

// Reads flash `k` off the screen: the colour number, and the faults of the flash.
int read_flash(const Emulator& screen, int k, std::vector<std::string>& faults) {
    const Color bg = screen.cell(0, 0).bg;
    const int colour = colour_number(bg);
    if (colour == 0) note(faults, "flash " + std::to_string(k) + " has background " + describe(bg));
    const std::string label = esperado::com_numero(esperado::piscada, k);
    int bad_cells = 0;
    std::string first_bad;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            const bool in_label = row == 0 && col < static_cast<int>(label.size());
            const bool ok = c.bg == bg && (in_label ? c.fg.is_index(esperado::branco_brilhante)
                                                    : c.shown() == " ");
            if (!ok && bad_cells++ == 0) first_bad = describe_cell(row, col, c);
        }
    }
    if (bad_cells > 0)
        note(faults, "flash " + std::to_string(k) + ": " + std::to_string(bad_cells) +
                         " cells off the flash, first " + first_bad);
    return colour;
}

} // namespace

int colour_number(const Color& bg) {
    return bg.kind == Color::Kind::Indexed ? esperado::numero_da_cor(bg.index) : 0;
}

std::optional<RoundSeen> watch_round(Game& game, const std::function<void(int, int)>& on_flash,
                                     milliseconds timeout) {
    RoundSeen seen;
    Emulator& screen = game.screen();
    int shown = 0; // the flash on screen now, 0 between flashes
    Clock::time_point shown_since{};
    const auto flash_over = [&] {
        if (shown == 0) return;
        seen.flash_ms.push_back(static_cast<long>(
            std::chrono::duration_cast<milliseconds>(game.rendered_at() - shown_since).count()));
        shown = 0;
    };
    const auto question = game.wait_until(
        [&] {
            const std::string top = screen.line(0);
            if (int n = esperado::numero_em(top, esperado::rodada); n > 0) seen.number = n;
            if (std::find(std::begin(esperado::contagem), std::end(esperado::contagem), top) !=
                std::end(esperado::contagem))
                if (seen.steps.empty() || seen.steps.back() != top) seen.steps.push_back(top);
            const int k = esperado::numero_em(top, esperado::piscada);
            if (k > 0 && k == shown) {
                // Still the same flash: nothing may have been drawn over it meanwhile.
                read_flash(screen, k, seen.faults);
            } else if (k > 0) {
                flash_over();
                if (k != static_cast<int>(seen.colours.size()) + 1)
                    note(seen.faults, "flash \"" + top + "\" after " +
                                          std::to_string(seen.colours.size()) + " flashes");
                const int colour = read_flash(screen, k, seen.faults);
                seen.colours.push_back(colour);
                shown = k;
                shown_since = game.rendered_at();
                if (on_flash) on_flash(k, colour);
            } else if (top.starts_with(esperado::antes_do_numero(esperado::piscada))) {
                note(seen.faults, "row 0 shows \"" + top + "\"");
            } else {
                flash_over();
            }
            return seen.number > 0 && screen.contains(esperado::quais_cores);
        },
        timeout);
    if (!question) return std::nullopt;
    return seen;
}

::testing::AssertionResult shows(Game& game, std::string_view text, milliseconds timeout) {
    if (game.wait_for_text(text, timeout)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no \"" << text << "\" on\n" << game.screen().dump();
}

bool answer(Game& game, const std::vector<int>& colours, milliseconds timeout) {
    for (std::size_t k = 1; k <= colours.size(); ++k) {
        if (!game.wait_for_text(esperado::com_numero(esperado::pergunta, static_cast<int>(k)),
                                timeout))
            return false;
        game.type(std::to_string(colours[k - 1]) + "\r");
    }
    return true;
}

std::string normal_scheme_faults(const Emulator& screen, bool text_too) {
    int off = 0;
    std::string first;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            if ((!c.bg.is_index(esperado::preto) ||
                 (text_too && !c.fg.is_index(esperado::cinza))) &&
                off++ == 0)
                first = describe_cell(row, col, c);
        }
    }
    return off == 0 ? "" : std::to_string(off) + " cells off the normal scheme, first " + first;
}

std::string first_coloured_cell(const Emulator& screen) {
    for (int row = 0; row < screen.rows(); ++row)
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            if (!c.fg.is_default() || !c.bg.is_default())
                return "coloured " + describe_cell(row, col, c);
        }
    return {};
}

std::vector<std::string> given_back_faults(const Emulator& s) {
    std::vector<std::string> faults;
    if (s.alternate_screen()) faults.push_back("still on the alternate screen");
    if (!s.cursor_visible()) faults.push_back("cursor hidden");
    if (!s.pen_fg().is_default() || !s.pen_bg().is_default())
        faults.push_back("prompt would be drawn in fg " + describe(s.pen_fg()) + " bg " +
                         describe(s.pen_bg()));
    if (const std::string cell = first_coloured_cell(s); !cell.empty()) faults.push_back(cell);
    return faults;
}

std::vector<std::string> mode_faults(const Game& game) {
    const termios now = game.modes(), &before = game.initial_modes();
    std::vector<std::string> faults;
    if (!(now.c_lflag & ICANON)) faults.push_back("not canonical");
    if (!(now.c_lflag & ECHO)) faults.push_back("no echo");
    if (!(now.c_lflag & ISIG)) faults.push_back("no signals");
    if (now.c_lflag != before.c_lflag) faults.push_back("local modes changed");
    if (now.c_iflag != before.c_iflag) faults.push_back("input modes changed");
    if (now.c_oflag != before.c_oflag) faults.push_back("output modes changed");
    if (now.c_cc[VMIN] != before.c_cc[VMIN] || now.c_cc[VTIME] != before.c_cc[VTIME])
        faults.push_back("VMIN/VTIME changed");
    return faults;
}

std::pair<std::string, int> character_and_colour(const Emulator& screen, int row, int col) {
    const Cell c = screen.cell(row, col);
    const int fg = c.fg.kind == Color::Kind::Indexed ? c.fg.index : c.fg.is_default() ? -1 : -2;
    return {c.width == 0 ? std::string() : c.shown(), fg};
}

std::string row_faults(const Emulator& screen, const esperado::tela& rows, int normal) {
    const auto shown = [&](int row, int col) { return character_and_colour(screen, row, col); };
    return join(esperado::faltas(rows, screen.cols(), normal, shown));
}

std::string join(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts)
        out += (out.empty() ? "" : "; ") + t;
    return out;
}

std::string join(const std::vector<int>& numbers) {
    std::string out;
    for (int n : numbers)
        out += std::to_string(n) + ",";
    return out;
}

} // namespace e2e
