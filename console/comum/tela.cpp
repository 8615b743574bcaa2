// The screen as both backends keep it.
#include "console/comum/tela.h"

#include "console/comum/texto.h"

#include <cstdlib>

namespace {

int valor_hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : 0;
}

std::string movimento(int linha, int (*coluna)(int), int largura) {
    const int c = coluna(largura);
    return linha < 0 || c < 0 ? std::string() : posicao_do_cursor(linha, c);
}

} // namespace

cores_do_esquema ler_esquema(std::string_view esquema) {
    return {valor_hex(esquema.size() > 0 ? esquema[0] : '0'),
            valor_hex(esquema.size() > 1 ? esquema[1] : '7')};
}

std::string sgr_de_esquema(std::string_view esquema) {
    const cores_do_esquema cores = ler_esquema(esquema);
    const int fundo = (cores.fundo < 8 ? 40 : 100) + ansi_do_digito(cores.fundo);
    const int frente = (cores.frente < 8 ? 30 : 90) + ansi_do_digito(cores.frente);
    return "\033[0;" + std::to_string(fundo) + ";" + std::to_string(frente) + "m";
}

void anexar(tela_do_jogo& t, std::string_view bytes) {
    for (auto achado = bytes.find(atributos_normais); achado != std::string_view::npos;
         achado = bytes.find(atributos_normais)) {
        t.pendente.append(bytes.substr(0, achado)).append(t.sgr);
        bytes.remove_prefix(achado + atributos_normais.size());
    }
    t.pendente.append(bytes);
}

void guardar(tela_do_jogo& t, std::string_view bytes) {
    if (bytes.empty()) return;
    if (t.desenho.empty() || t.desenho.back().coluna) t.desenho.emplace_back();
    t.desenho.back().bytes.append(bytes);
}

void desenhar(tela_do_jogo& t, std::string_view bytes) {
    guardar(t, bytes);
    anexar(t, bytes);
}

void mover(tela_do_jogo& t, int linha, int (*coluna)(int), int largura) {
    t.desenho.push_back({movimento(linha, coluna, largura), linha, coluna});
    t.pendente += t.desenho.back().bytes;
}

void mudar_esquema(tela_do_jogo& t, std::string_view esquema) {
    t.esquema = esquema;
    t.sgr = sgr_de_esquema(esquema);
    for (trecho_desenhado& trecho : t.desenho)
        if (!trecho.coluna) trecho.bytes = sem_cores(trecho.bytes);
}

std::string desenho_em(tela_do_jogo& t, int largura) {
    std::string bytes;
    for (trecho_desenhado& trecho : t.desenho) {
        if (trecho.coluna && largura > 0)
            trecho.bytes = movimento(trecho.linha, trecho.coluna, largura);
        bytes += trecho.bytes;
    }
    return bytes;
}

std::string posicao_do_cursor(int linha, int coluna) {
    return "\033[" + std::to_string(linha + 1) + ";" + std::to_string(coluna + 1) + "H";
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
