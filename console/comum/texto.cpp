// UTF-8 characters, escape sequences and the columns text takes.
#include "console/comum/texto.h"

#include <algorithm>

namespace {

constexpr unsigned char esc = 0x1B;

constexpr bool final_de_csi(unsigned char b) {
    return b >= 0x40 && b <= 0x7E;
}

// The code point of a whole UTF-8 character; false when it is overlong, a surrogate, too high or
// a lone byte above 0x7F.
bool decodificar(std::string_view bytes, char32_t& ponto) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const std::size_t n = bytes.size();
    ponto = n == 1 ? b0 : b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i)
        ponto = (ponto << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    constexpr char32_t menor[] = {0, 0, 0x80, 0x800, 0x10000};
    return (n > 1 || b0 < 0x80) && ponto >= menor[n] && ponto <= 0x10FFFF &&
           (ponto < 0xD800 || ponto > 0xDFFF);
}

} // namespace

bool seguir_escape(escape& e, unsigned char b) {
    if (e == escape::fora) {
        if (b == esc) e = escape::apos_esc;
        return b == esc;
    }
    if (e == escape::apos_esc)
        e = b == '[' ? escape::csi : b == 'O' ? escape::ss3 : escape::fora;
    else if (e == escape::ss3 || final_de_csi(b))
        e = escape::fora;
    return true;
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

int colunas_de(const forma_do_terminal& forma, std::string_view caractere) {
    char32_t ponto = static_cast<unsigned char>(caractere[0]);
    if (forma.utf8 && !decodificar(caractere, ponto)) return -1;
    if (ponto < 0x20 || (ponto >= 0x7F && ponto < 0xA0)) return -1;
    // In one byte per character (Latin-1) a letter takes one column whatever the locale's table.
    return forma.utf8 && forma.colunas ? std::min(forma.colunas(ponto), 2) : 1;
}

lugar_do_cursor avancar(lugar_do_cursor lugar, int colunas, int largura) {
    if (colunas <= 0) return lugar;
    colunas = std::min(colunas, largura);
    if (lugar.coluna + colunas > largura) return {lugar.linha + 1, colunas};
    return {lugar.linha, lugar.coluna + colunas};
}

lugar_do_cursor posicao_de_codigo(std::string_view parametros) {
    int numeros[2] = {0, 0};
    for (std::size_t i = 0, n = 0; i < parametros.size() && n < 2; ++i) {
        const char c = parametros[i];
        if (c == ';') ++n;
        if (c >= '0' && c <= '9' && numeros[n] < 100000) numeros[n] = numeros[n] * 10 + (c - '0');
    }
    return {std::max(numeros[0], 1) - 1, std::max(numeros[1], 1) - 1};
}

int coluna_depois(std::string_view desenho, const forma_do_terminal& forma) {
    const int largura = std::max(forma.largura, 1);
    lugar_do_cursor lugar;
    for (std::size_t i = 0, n = 1; i < desenho.size(); i += n, n = 1) {
        const auto b = static_cast<unsigned char>(desenho[i]);
        if (desenho.substr(i, 2) == "\033[") {
            const std::size_t fim = fim_do_codigo(desenho, i);
            if (fim == std::string_view::npos) break;
            if (desenho[fim] == 'H')
                lugar.coluna = std::min(
                    posicao_de_codigo(desenho.substr(i + 2, fim - i - 2)).coluna, largura - 1);
            n = fim + 1 - i;
            continue;
        }
        // A byte of a one-byte encoding, or a whole UTF-8 character: one column if it cannot tell.
        int colunas = b >= 0x20 && b != 0x7F ? 1 : 0;
        if (forma.utf8 && tamanho_utf8(b) > 1) {
            n = std::min(tamanho_utf8(b), desenho.size() - i);
            colunas = colunas_de(forma, desenho.substr(i, n));
            if (colunas < 0) colunas = 1;
        }
        if (b == '\n' || b == '\r') lugar.coluna = 0;
        lugar = avancar(lugar, colunas, largura);
    }
    return lugar.coluna;
}
