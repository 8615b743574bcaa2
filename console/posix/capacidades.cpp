// What a POSIX terminal can do, read through ncurses' low-level terminfo interface only.
#include "console/posix/capacidades.h"

#include <cctype>
#include <cstdint>
#include <curses.h>
#include <term.h>

namespace {

// The cursor colour that shows on every screen of the game: the light grey of its text.
constexpr const char* cinza_claro = "rgb:c0/c0/c0";

// ncurses 6 declares the strings its calls read const char *, ncurses 5 (macOS's SDK) char *: each
// call gets a writable copy, `copia(texto).data()`, which both take, alive to the statement's end.
std::string copia(const char* texto) {
    return texto;
}

// A string capability, or nothing when the entry lacks it.
std::string texto_da_capacidade(const char* nome) {
    const char* valor = tigetstr(copia(nome).data());
    if (valor == nullptr || valor == reinterpret_cast<const char*>(-1)) return {};
    return valor;
}

bool marca(const char* nome) {
    return tigetflag(copia(nome).data()) > 0;
}

} // namespace

capacidades_do_terminal ler_capacidades(const char* nome) {
    capacidades_do_terminal capacidades;
    int erro = 0;
    // Only the database is read: no screen is set up, nothing is written to the terminal.
    if (setupterm(nome != nullptr ? copia(nome).data() : nullptr, -1, &erro) != OK)
        return capacidades;
    capacidades.apaga_com_fundo = marca("bce");
    capacidades.escreve_ultima_celula = !marca("am") || marca("xenl");
    capacidades.entrar_na_alternativa = texto_da_capacidade("smcup");
    capacidades.sair_da_alternativa = texto_da_capacidade("rmcup");
    if (capacidades.sair_da_alternativa.empty()) capacidades.entrar_na_alternativa.clear();
    std::string cs = texto_da_capacidade("Cs"); // writable, as tparm's first argument
    const std::string cr = texto_da_capacidade("Cr");
    if (!cs.empty() && !cr.empty()) {
        // tparm in its oldest form, nine longs, which every curses has; the colour its one string.
        const long cinza = reinterpret_cast<long>(cinza_claro);
        if (const char* cor = tparm(cs.data(), cinza, 0L, 0L, 0L, 0L, 0L, 0L, 0L, 0L))
            capacidades.cursor_cinza = cor;
        if (!capacidades.cursor_cinza.empty()) capacidades.cursor_original = cr;
    }
    del_curterm(cur_term);
    return capacidades;
}

bool codificacao_de_um_byte(std::string_view codeset) {
    std::string nome;
    for (char c : codeset)
        if (c != '-' && c != '_')
            nome += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return nome == "ISO88591" || nome == "ISO885915" || nome == "CP1252" || nome == "WINDOWS1252" ||
           nome == "LATIN1" || nome == "LATIN9";
}
