// The robot player: reads rounds and flashes off the rendered screen and types answers.
#include "robot.h"

#include <cstdio>

namespace e2e {

namespace {

// The number after `prefix` when the text is exactly the prefix and digits, else -1.
int number_after(const std::string& text, std::string_view prefix) {
    if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0) return -1;
    int value = 0;
    for (std::size_t i = prefix.size(); i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || value > 1000) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string at_text(int row, int col) {
    // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "(" + std::string.
    std::string text(1, '(');
    text += std::to_string(row);
    text += ',';
    text += std::to_string(col);
    text += ')';
    return text;
}

// Reads flash `k` off the screen: the colour number, and the faults of the flash.
void note(std::vector<std::string>& faults, std::string fault) {
    for (const auto& f : faults)
        if (f == fault) return;
    faults.push_back(std::move(fault));
}

int read_flash(const Emulator& screen, int k, std::vector<std::string>& faults) {
    const Color bg = screen.cell(0, 0).bg;
    const int colour = colour_number(bg);
    if (colour == 0) note(faults, "flash " + std::to_string(k) + " has background " + describe(bg));
    const std::string label = "Cor:" + std::to_string(k);
    int bad_cells = 0;
    std::string first_bad;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            const bool in_label = row == 0 && col < static_cast<int>(label.size());
            const bool ok =
                c.bg == bg && (in_label ? c.fg.is_index(ansi::bright_white) : c.shown() == " ");
            if (!ok && bad_cells++ == 0)
                first_bad = at_text(row, col) + " '" + c.shown() + "' fg " + describe(c.fg) +
                            " bg " + describe(c.bg);
        }
    }
    if (bad_cells > 0)
        note(faults, "flash " + std::to_string(k) + ": " + std::to_string(bad_cells) +
                         " cells off the flash, first " + first_bad);
    return colour;
}

} // namespace

int colour_number(const Color& bg) {
    for (int n = 1; n <= 6; ++n)
        if (bg.is_index(ansi_of_colour(n))) return n;
    return 0;
}

int ansi_of_colour(int number) {
    constexpr int ansi_of[7] = {-1,           ansi::red,     ansi::blue, ansi::green,
                                ansi::yellow, ansi::magenta, ansi::cyan};
    return number >= 1 && number <= 6 ? ansi_of[number] : -1;
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
            if (int n = number_after(top, "Rodada "); n > 0) seen.number = n;
            if (top.rfind("Iniciando em ", 0) == 0 || top == "GOOOOOOO!")
                if (seen.steps.empty() || seen.steps.back() != top) seen.steps.push_back(top);
            const int k = number_after(top, "Cor:");
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
            } else if (top.rfind("Cor:", 0) == 0) {
                note(seen.faults, "row 0 shows \"" + top + "\"");
            } else {
                flash_over();
            }
            return seen.number > 0 && screen.contains("Quais cores apareceram?");
        },
        timeout);
    if (!question) return std::nullopt;
    return seen;
}

bool answer(Game& game, const std::vector<int>& colours, milliseconds timeout) {
    for (std::size_t k = 1; k <= colours.size(); ++k) {
        if (!game.wait_for_text("Digite a cor " + std::to_string(k) + ":", timeout)) return false;
        game.type(std::to_string(colours[k - 1]) + "\r");
    }
    return true;
}

std::vector<std::string> normal_scheme_faults(const Emulator& screen) {
    std::vector<std::string> faults;
    for (int row = 0; row < screen.rows(); ++row) {
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            if (!c.bg.is_index(ansi::black) || !c.fg.is_index(ansi::white))
                faults.push_back(at_text(row, col) + " '" + c.shown() + "' fg " + describe(c.fg) +
                                 " bg " + describe(c.bg));
        }
    }
    return faults;
}

std::string first_coloured_cell(const Emulator& screen) {
    for (int row = 0; row < screen.rows(); ++row)
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(row, col);
            if (!c.fg.is_default() || !c.bg.is_default())
                return "cell " + std::to_string(row) + "," + std::to_string(col) + " coloured fg " +
                       describe(c.fg) + " bg " + describe(c.bg);
        }
    return {};
}

std::vector<std::string> row_faults(const Emulator& screen, const std::vector<Row>& rows) {
    std::vector<std::string> faults;
    for (const Row& r : rows) {
        const std::string shown = screen.line(r.row);
        if (shown != r.text) {
            faults.push_back("row " + std::to_string(r.row) + " is \"" + shown +
                             "\", should be \"" + r.text + "\"");
            continue;
        }
        for (int col = 0; col < screen.cols(); ++col) {
            const Cell c = screen.cell(r.row, col);
            if (c.shown() == " ") continue;
            const bool ok = c.fg.is_index(r.fg < 0 ? ansi::white : r.fg);
            if (!ok) {
                faults.push_back("row " + std::to_string(r.row) + " col " + std::to_string(col) +
                                 " '" + c.shown() + "' has fg " + describe(c.fg));
                break;
            }
        }
    }
    return faults;
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
