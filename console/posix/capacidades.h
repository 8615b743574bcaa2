// What a POSIX terminal can do, read from the terminfo database, and the encoding to write in.
#pragma once

#include <string>
#include <string_view>

// The capabilities the game adapts to; with no entry (TERM unset or unknown), those of today's
// ANSI terminals: background-colour erase and xterm's alternate screen.
struct capacidades_do_terminal {
    bool apaga_com_fundo = true;       // an erase fills cells with the current background (bce)
    bool escreve_ultima_celula = true; // writing the last cell does not scroll (no am, or xenl)
    std::string entrar_na_alternativa = "\033[?1049h"; // smcup; empty: no alternate screen
    std::string sair_da_alternativa = "\033[?1049l";   // rmcup
    std::string cursor_cinza;    // Cs with light grey; empty when the terminal has no Cs/Cr
    std::string cursor_original; // Cr: the terminal's own cursor colour back
};

// The capabilities of the terminal named `nome` (nullptr: the TERM environment variable).
capacidades_do_terminal ler_capacidades(const char* nome);

// Whether a locale of this codeset is written one byte a character: ISO-8859-1, ISO-8859-15, CP1252
// however spelled; UTF-8 for every other, the C locale's ASCII included.
bool codificacao_de_um_byte(std::string_view codeset);
