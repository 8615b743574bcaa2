// Pieces both terminal backends share: the colours of a console scheme and the width fallback.
#include "console/terminal_comum.h"

#include <cstdlib>

namespace {

// The ANSI colour of each digit 0 to 7 of the console's table; the mapping swaps blue and red
// (and aqua and yellow), so it is also the console digit of each ANSI colour.
constexpr int ansi_da_cor[8] = {0, 4, 2, 6, 1, 5, 3, 7};

constexpr int intensidade = 0x8;

int valor_hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// Applies one SGR parameter to the text and background digits.
void aplicar(int parametro, int& frente, int& fundo, int normal) {
    if (parametro == 0) {
        frente = normal & 0xF;
        fundo = (normal >> 4) & 0xF;
    } else if (parametro == 1) {
        frente |= intensidade;
    } else if (parametro == 22) {
        frente &= ~intensidade;
    } else if (parametro >= 30 && parametro <= 37) {
        frente = ansi_da_cor[parametro - 30];
    } else if (parametro == 39) {
        frente = normal & 0xF;
    } else if (parametro >= 40 && parametro <= 47) {
        fundo = ansi_da_cor[parametro - 40];
    } else if (parametro == 49) {
        fundo = (normal >> 4) & 0xF;
    } else if (parametro >= 90 && parametro <= 97) {
        frente = intensidade | ansi_da_cor[parametro - 90];
    } else if (parametro >= 100 && parametro <= 107) {
        fundo = intensidade | ansi_da_cor[parametro - 100];
    }
}

} // namespace

cores_do_esquema ler_esquema(std::string_view esquema) {
    return {valor_hex(esquema.size() > 0 ? esquema[0] : '0'),
            valor_hex(esquema.size() > 1 ? esquema[1] : '7')};
}

int atributo_de_esquema(std::string_view esquema) {
    const cores_do_esquema cores = ler_esquema(esquema);
    return (cores.fundo << 4) | cores.frente;
}

std::string sgr_de_esquema(std::string_view esquema) {
    const cores_do_esquema cores = ler_esquema(esquema);
    const int sgr_fundo = (cores.fundo < 8 ? 40 : 100) + ansi_da_cor[cores.fundo % 8];
    const int sgr_frente = (cores.frente < 8 ? 30 : 90) + ansi_da_cor[cores.frente % 8];
    return "\033[0;" + std::to_string(sgr_fundo) + ";" + std::to_string(sgr_frente) + "m";
}

int atributo_apos_sgr(int atributo, std::string_view parametros, int normal) {
    int frente = atributo & 0xF;
    int fundo = (atributo >> 4) & 0xF;
    int parametro = 0;
    for (char c : parametros) {
        if (c >= '0' && c <= '9') {
            if (parametro < 1000) parametro = parametro * 10 + (c - '0');
        } else if (c == ';') {
            aplicar(parametro, frente, fundo, normal);
            parametro = 0;
        } else {
            return atributo; // not a colour sequence this console knows: nothing changes
        }
    }
    aplicar(parametro, frente, fundo, normal);
    return (atributo & ~0xFF) | (fundo << 4) | frente;
}

int largura_sem_janela() {
    if (const char* colunas = std::getenv("COLUMNS")) {
        char* fim = nullptr;
        const long valor = std::strtol(colunas, &fim, 10);
        if (fim != colunas && *fim == '\0' && valor > 0 && valor < 100000)
            return static_cast<int>(valor);
    }
    return 80;
}
