// UTF-8 characters, escape sequences and the columns text takes.
#include "console/comum/texto.h"

#include <algorithm>

namespace {

constexpr unsigned char esc = 0x1B;

constexpr bool final_de_csi(unsigned char b) {
    return b >= 0x40 && b <= 0x7E;
}

} // namespace

bool decodificar(std::string_view bytes, char32_t& ponto) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const std::size_t n = bytes.size();
    ponto = n == 1 ? b0 : b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i)
        ponto = (ponto << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    constexpr char32_t menor[] = {0, 0, 0x80, 0x800, 0x10000};
    return ponto >= menor[n] && ponto <= 0x10FFFF && (ponto < 0xD800 || ponto > 0xDFFF);
}

bool seguir_escape(escape& e, unsigned char b) {
    switch (e) {
    case escape::fora:
        if (b == esc) e = escape::apos_esc;
        return b == esc;
    case escape::apos_esc:
        e = b == '[' ? escape::csi : b == 'O' ? escape::ss3 : escape::fora;
        return true;
    case escape::csi:
        if (final_de_csi(b)) e = escape::fora;
        return true;
    case escape::ss3:
        e = escape::fora;
        return true;
    }
    return false;
}

std::size_t fim_do_codigo(std::string_view texto, std::size_t codigo) {
    for (auto fim = codigo + 2; fim < texto.size(); ++fim)
        if (final_de_csi(static_cast<unsigned char>(texto[fim]))) return fim;
    return std::string_view::npos;
}

std::string sem_cores(std::string_view texto) {
    std::string saida;
    while (!texto.empty()) {
        const auto codigo = texto.find("\033[");
        saida.append(texto.substr(0, codigo));
        if (codigo == std::string_view::npos) break;
        const auto fim = fim_do_codigo(texto, codigo);
        if (fim == std::string_view::npos) break; // a code cut short draws nothing
        if (texto[fim] != 'm') saida.append(texto.substr(codigo, fim + 1 - codigo));
        texto.remove_prefix(fim + 1);
    }
    return saida;
}

int colunas_de(const forma_do_terminal& forma, char32_t ponto) {
    if (ponto < 0x20 || (ponto >= 0x7F && ponto < 0xA0)) return -1;
    return forma.colunas ? std::min(forma.colunas(ponto), 2) : 1;
}

lugar_do_cursor avancar(lugar_do_cursor lugar, int colunas, int largura) {
    if (colunas <= 0) return lugar;
    colunas = std::min(colunas, largura);
    if (lugar.coluna + colunas > largura) return {lugar.linha + 1, colunas};
    return {lugar.linha, lugar.coluna + colunas};
}

int coluna_depois(std::string_view desenho, const forma_do_terminal& forma) {
    const int largura = std::max(forma.largura, 1);
    lugar_do_cursor lugar;
    for (std::size_t i = 0; i < desenho.size();) {
        const auto b = static_cast<unsigned char>(desenho[i]);
        if (b == esc && desenho.substr(i, 2) == "\033[") {
            const std::size_t fim = fim_do_codigo(desenho, i);
            if (fim == std::string_view::npos) break;
            if (desenho[fim] == 'H') { // "\033[row;columnH", counted from 1
                int coluna = 0;
                for (auto j = desenho.find(';', i) + 1; j > 0 && j < fim; ++j)
                    if (desenho[j] >= '0' && desenho[j] <= '9' && coluna < 100000)
                        coluna = coluna * 10 + (desenho[j] - '0');
                lugar.coluna = std::clamp(coluna - 1, 0, largura - 1);
            }
            i = fim + 1;
            continue;
        }
        // A character: a byte of a one-byte encoding, or a whole UTF-8 character; one column
        // where it cannot be told.
        std::size_t n = 1;
        int colunas = b >= 0x20 && b != 0x7F ? 1 : 0;
        char32_t ponto = 0;
        if (forma.utf8 && tamanho_utf8(b) > 1) {
            n = std::min(tamanho_utf8(b), desenho.size() - i);
            if (decodificar(desenho.substr(i, n), ponto)) colunas = colunas_de(forma, ponto);
            if (colunas < 0) colunas = 1;
        }
        if (b == '\n' || b == '\r') lugar.coluna = 0;
        lugar = avancar(lugar, colunas, largura);
        i += n;
    }
    return lugar.coluna;
}
