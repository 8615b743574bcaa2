// The Windows console's decisions that need no console.
#include "console/windows/atributos.h"
#include "console/comum/tela.h"

#include <algorithm>

namespace {

constexpr int intensidade = 0x8;

// Applies one SGR parameter to the text and background digits.
void aplicar(int p, int& frente, int& fundo, int normal) {
    if (p == 0 || p == 39) frente = normal & 0xF;
    if (p == 0 || p == 49) fundo = (normal >> 4) & 0xF;
    if (p == 1) frente |= intensidade;
    if (p == 22) frente &= ~intensidade;
    if (p >= 30 && p <= 37) frente = ansi_do_digito(p - 30);
    if (p >= 40 && p <= 47) fundo = ansi_do_digito(p - 40);
    if (p >= 90 && p <= 97) frente = intensidade | ansi_do_digito(p - 90);
    if (p >= 100 && p <= 107) fundo = intensidade | ansi_do_digito(p - 100);
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

bool console_segue_vt(bool modo_aceito, bool cursor_lido, lugar_do_cursor antes,
                      lugar_do_cursor depois) {
    return modo_aceito && cursor_lido && antes == depois;
}

int celulas_entre(lugar_do_cursor antes, lugar_do_cursor depois, int largura) {
    const long long celulas = static_cast<long long>(depois.linha - antes.linha) * largura +
                              (depois.coluna - antes.coluna);
    return static_cast<int>(std::clamp<long long>(celulas, 0, 1 << 30));
}
