// What was drawn since the last clear, kept to draw it again.
#include "console/desenho.h"

#include "console/esquema.h"

namespace {

std::string mover(int linha, int (*coluna)(int), int largura) {
    const int c = coluna(largura);
    return linha < 0 || c < 0 ? std::string() : posicao_do_cursor(linha, c);
}

} // namespace

std::string posicao_do_cursor(int linha, int coluna) {
    return "\033[" + std::to_string(linha + 1) + ";" + std::to_string(coluna + 1) + "H";
}

void guardar_texto(desenho& d, std::string_view bytes) {
    if (bytes.empty()) return;
    if (d.empty() || d.back().coluna) d.emplace_back();
    d.back().bytes.append(bytes);
}

std::string guardar_movimento(desenho& d, int linha, int (*coluna)(int), int largura) {
    d.push_back({mover(linha, coluna, largura), linha, coluna});
    return d.back().bytes;
}

std::string bytes_do_desenho(desenho& d, int largura) {
    std::string bytes;
    for (trecho_desenhado& t : d) {
        if (t.coluna && largura > 0) t.bytes = mover(t.linha, t.coluna, largura);
        bytes += t.bytes;
    }
    return bytes;
}

void tirar_cores(desenho& d) {
    for (trecho_desenhado& t : d)
        if (!t.coluna) t.bytes = sem_cores(t.bytes);
}
