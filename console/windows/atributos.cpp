// The Windows console's decisions that need no console.
#include "console/windows/atributos.h"
#include "console/comum/cores.h"
#include "console/comum/texto.h"

#include <algorithm>

namespace {

constexpr int intensidade = 0x8;

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
        frente = ansi_do_digito(parametro - 30);
    } else if (parametro == 39) {
        frente = normal & 0xF;
    } else if (parametro >= 40 && parametro <= 47) {
        fundo = ansi_do_digito(parametro - 40);
    } else if (parametro == 49) {
        fundo = (normal >> 4) & 0xF;
    } else if (parametro >= 90 && parametro <= 97) {
        frente = intensidade | ansi_do_digito(parametro - 90);
    } else if (parametro >= 100 && parametro <= 107) {
        fundo = intensidade | ansi_do_digito(parametro - 100);
    }
}

} // namespace

int atributo_de_esquema(std::string_view esquema) {
    const cores_do_esquema cores = ler_esquema(esquema);
    return (cores.fundo << 4) | cores.frente;
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

std::string limpeza_em_vt(std::string_view sgr, std::string_view tela, bool apagar_rolagem) {
    // Cursor home and erase the screen; then erase the scroll-back, where the screen's erase may
    // have pushed what it showed.
    return std::string(sgr) + "\033[H\033[2J" + (apagar_rolagem ? "\033[3J" : "") + sem_cores(tela);
}

posicao_no_console posicao_de_codigo(std::string_view parametros) {
    int numeros[2] = {0, 0};
    int n = 0;
    for (char c : parametros) {
        if (c == ';') {
            if (++n > 1) break;
        } else if (c >= '0' && c <= '9' && numeros[n] < 100000) {
            numeros[n] = numeros[n] * 10 + (c - '0');
        }
    }
    return {std::max(numeros[0], 1) - 1, std::max(numeros[1], 1) - 1};
}

bool console_segue_vt(bool modo_aceito, bool cursor_lido, posicao_no_console antes,
                      posicao_no_console depois) {
    return modo_aceito && cursor_lido && antes == depois;
}

int celulas_entre(posicao_no_console antes, posicao_no_console depois, int largura) {
    const long long celulas = static_cast<long long>(depois.linha - antes.linha) * largura +
                              (depois.coluna - antes.coluna);
    return static_cast<int>(std::clamp<long long>(celulas, 0, 1 << 30));
}
