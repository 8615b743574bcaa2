// Line editing for terminals in non-canonical mode.
#include "console/edicao_linha.h"

namespace {

constexpr unsigned char ctrl_d = 0x04, backspace = 0x08, ctrl_u = 0x15, ctrl_w = 0x17,
                        escape = 0x1B, apagar = 0x7F;

enum : int { fora = 0, depois_do_escape, em_csi, em_ss3 };

constexpr const char* apaga_coluna = "\b \b";

bool continuacao(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Erases the last character of the line, however many bytes it has, and its column on screen.
void apagar_caractere(edicao_linha& e, std::string& eco) {
    if (e.linha.empty()) return;
    while (!e.linha.empty() && continuacao(static_cast<unsigned char>(e.linha.back())))
        e.linha.pop_back();
    if (!e.linha.empty()) e.linha.pop_back();
    eco += apaga_coluna;
}

// Follows an escape sequence to its end; returns false once the byte is outside any sequence.
bool seguir_escape(edicao_linha& e, unsigned char b) {
    switch (e.escape) {
    case depois_do_escape:
        e.escape = b == '[' ? em_csi : b == 'O' ? em_ss3 : fora;
        return true;
    case em_csi:
        if (b >= 0x40 && b <= 0x7E) e.escape = fora;
        return true;
    case em_ss3:
        e.escape = fora;
        return true;
    default:
        return false;
    }
}

} // namespace

passo_edicao editar_byte(edicao_linha& e, unsigned char b, std::string& eco) {
    if (seguir_escape(e, b)) return passo_edicao::continua;
    switch (b) {
    case '\r':
    case '\n':
        e.linha += '\n';
        eco += '\n';
        return passo_edicao::linha_pronta;
    case '\t':
        e.linha += ' ';
        eco += ' ';
        return passo_edicao::continua;
    case ctrl_d:
        return e.linha.empty() ? passo_edicao::fim_da_entrada : passo_edicao::continua;
    case backspace:
    case apagar:
        apagar_caractere(e, eco);
        return passo_edicao::continua;
    case ctrl_u:
        while (!e.linha.empty())
            apagar_caractere(e, eco);
        return passo_edicao::continua;
    case ctrl_w:
        while (!e.linha.empty() && e.linha.back() == ' ')
            apagar_caractere(e, eco);
        while (!e.linha.empty() && e.linha.back() != ' ')
            apagar_caractere(e, eco);
        return passo_edicao::continua;
    case escape:
        e.escape = depois_do_escape;
        return passo_edicao::continua;
    default:
        if (b < 0x20) return passo_edicao::continua;
        e.linha += static_cast<char>(b);
        eco += static_cast<char>(b);
        return passo_edicao::continua;
    }
}
