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

bool answer(Game& game, const std::vector<int>& colours, milliseconds timeout) {
    for (std::size_t k = 1; k <= colours.size(); ++k) {
        if (!game.wait_for_text(esperado::com_numero(esperado::pergunta, static_cast<int>(k)),
                                timeout))
            return false;
        game.type(std::to_string(colours[k - 1]) + "\r");
    }
    return true;
}

std::vector<std::string> normal_scheme_faults(const Emulator& screen) {
    std::vector<std::string> faults;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            if (!c.bg.is_index(esperado::preto) || !c.fg.is_index(esperado::cinza))
                faults.push_back(describe_cell(row, col, c));
        }
    }
    return faults;
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

std::string row_faults(const Emulator& screen, const esperado::tela& rows, int normal) {
    const auto shown = [&](int row, int col) {
        const Cell c = screen.cell(row, col);
        const int fg = c.fg.kind == Color::Kind::Indexed ? c.fg.index : c.fg.is_default() ? -1 : -2;
        return std::pair{c.width == 0 ? std::string() : c.shown(), fg};
    };
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
