// Pieces both terminal backends share: the colours of a console scheme, the width fallback, and
// the console's decisions that can be made without a console.
#include "console/terminal_comum.h"

#include <algorithm>
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

void anexar_com_normal(std::string& saida, std::string_view bytes, std::string_view normal) {
    std::size_t de = 0;
    for (auto achado = bytes.find(atributos_normais); achado != std::string_view::npos;
         achado = bytes.find(atributos_normais, de)) {
        saida.append(bytes.substr(de, achado - de));
        saida.append(normal);
        de = achado + atributos_normais.size();
    }
    saida.append(bytes.substr(de));
}

std::size_t fim_do_codigo(std::string_view texto, std::size_t codigo) {
    for (auto fim = codigo + 2; fim < texto.size(); ++fim)
        if (texto[fim] >= 0x40 && texto[fim] <= 0x7E) return fim;
    return std::string_view::npos;
}

std::string sem_cores(std::string_view tela) {
    std::string saida;
    while (!tela.empty()) {
        const auto codigo = tela.find("\033[");
        saida.append(tela.substr(0, codigo));
        if (codigo == std::string_view::npos) break;
        const auto fim = fim_do_codigo(tela, codigo);
        if (fim == std::string_view::npos) break; // a code cut short draws nothing
        if (tela[fim] != 'm') saida.append(tela.substr(codigo, fim + 1 - codigo));
        tela.remove_prefix(fim + 1);
    }
    return saida;
}

std::string limpeza_em_vt(std::string_view sgr, std::string_view tela) {
    return std::string(sgr) + "\033[H\033[2J" + sem_cores(tela);
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

bool tirar_pedaco(std::string& pendente, std::string& pedaco, std::size_t maior) {
    const auto fim_da_linha = pendente.find('\n');
    if (fim_da_linha == std::string::npos && pendente.size() < maior) return false;
    const std::size_t n = fim_da_linha == std::string::npos ? maior : fim_da_linha + 1;
    pedaco.assign(pendente, 0, n);
    pendente.erase(0, n);
    return true;
}
