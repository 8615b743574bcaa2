// Lines in pieces, line editing, and where the cursor stands after a text.
#include "console/edicao_linha.h"

#include <algorithm>

namespace {

constexpr unsigned char ctrl_d = 0x04, backspace = 0x08, ctrl_u = 0x15, ctrl_w = 0x17,
                        escape = 0x1B, apagar = 0x7F;

enum : int { fora = 0, depois_do_escape, em_csi, em_ss3 };

// What stands on screen for a character that cannot be shown: U+FFFD in UTF-8, '?' in one byte.
constexpr std::string_view substituto_utf8 = "\xEF\xBF\xBD";
constexpr std::string_view substituto_um_byte = "?";
// The cursor movements of the echo: up and forward by a count, back to the row's start.
constexpr std::string_view csi = "\033[";
constexpr char acima = 'A', adiante = 'C';
constexpr char inicio_da_linha = '\r';

bool continuacao(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the UTF-8 character that begins with `b`; 0 when no character begins with it.
std::size_t tamanho_utf8(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// The code point of a whole UTF-8 character; false when it is overlong, a surrogate or too high.
bool decodificar(std::string_view bytes, char32_t& ponto) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const std::size_t n = bytes.size();
    ponto = n == 1 ? b0 : b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i)
        ponto = (ponto << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    constexpr char32_t menor[] = {0, 0, 0x80, 0x800, 0x10000};
    return ponto >= menor[n] && ponto <= 0x10FFFF && (ponto < 0xD800 || ponto > 0xDFFF);
}

// The columns a character takes on the terminal, 0 to 2; negative when it cannot be shown.
int colunas_de(const forma_do_terminal& forma, char32_t ponto) {
    if (ponto < 0x20 || (ponto >= 0x7F && ponto < 0xA0)) return -1;
    return forma.colunas ? std::min(forma.colunas(ponto), 2) : 1;
}

std::string_view substituto(const forma_do_terminal& forma) {
    return forma.utf8 ? substituto_utf8 : substituto_um_byte;
}

int largura_de(const forma_do_terminal& forma) {
    return std::max(forma.largura, 1);
}

// Where the cursor goes when a character of `colunas` columns is written at `lugar`: a character
// that does not fit on the row goes at the start of the next one.
lugar_do_cursor avancar(lugar_do_cursor lugar, int colunas, int largura) {
    if (colunas <= 0) return lugar;
    colunas = std::min(colunas, largura);
    if (lugar.coluna + colunas > largura) return {lugar.linha + 1, colunas};
    return {lugar.linha, lugar.coluna + colunas};
}

lugar_do_cursor fim(const edicao_linha& e) {
    return e.caracteres.empty() ? e.inicio : e.caracteres.back().depois;
}

void mover(std::string& eco, char direcao, int vezes) {
    if (vezes <= 0) return;
    eco += csi;
    if (vezes > 1) eco += std::to_string(vezes);
    eco += direcao;
}

// From a cursor on row `linha` to `alvo`, which is on that row or above it.
void ir_para(std::string& eco, int linha, lugar_do_cursor alvo) {
    eco += inicio_da_linha;
    mover(eco, acima, linha - alvo.linha);
    mover(eco, adiante, alvo.coluna);
}

// The echo that blanks the cells from `para` to `de` and leaves the cursor at `para`. Within a
// row, backspaces; across rows, or from a full row, movements that do not depend on how the
// terminal takes a backspace at a row's edge.
void recuar(std::string& eco, lugar_do_cursor de, lugar_do_cursor para, int largura) {
    if (para.coluna >= largura) para = {para.linha + 1, 0}; // the next character goes there
    if (de.linha == para.linha && de.coluna < largura) {
        const auto n = static_cast<std::size_t>(std::max(de.coluna - para.coluna, 0));
        eco.append(n, '\b').append(n, ' ').append(n, '\b');
        return;
    }
    if (de.linha < para.linha) return;
    const long long celulas =
        static_cast<long long>(de.linha - para.linha) * largura + de.coluna - para.coluna;
    ir_para(eco, de.linha, para);
    eco.append(static_cast<std::size_t>(std::max(celulas, 0LL)), ' ');
    ir_para(eco, de.linha, para);
}

// Adds a character to the line: its bytes, and what the screen shows of it.
void acrescentar(edicao_linha& e, std::string_view bytes, int colunas, bool substituido,
                 std::string& eco) {
    e.linha += bytes;
    e.caracteres.push_back(
        {bytes.size(), colunas, substituido, avancar(fim(e), colunas, largura_de(e.forma))});
    eco += substituido ? substituto(e.forma) : bytes;
}

void acrescentar_invalido(edicao_linha& e, std::string_view bytes, std::string& eco) {
    acrescentar(e, bytes, 1, true, eco);
}

// A whole character in the terminal's encoding.
void acrescentar_caractere(edicao_linha& e, std::string_view bytes, std::string& eco) {
    // In one byte per character (Latin-1) a letter takes one column whatever the locale's table
    // says, and the C1 controls cannot be shown.
    int colunas = -1;
    char32_t ponto = 0;
    if (!e.forma.utf8) {
        const auto b = static_cast<unsigned char>(bytes[0]);
        colunas = b >= 0x80 && b < 0xA0 ? -1 : 1;
    } else if (decodificar(bytes, ponto)) {
        colunas = colunas_de(e.forma, ponto);
    }
    if (colunas < 0) {
        acrescentar_invalido(e, bytes, eco);
    } else {
        acrescentar(e, bytes, colunas, false, eco);
    }
}

void tirar_ultimo(edicao_linha& e) {
    e.linha.resize(e.linha.size() - e.caracteres.back().bytes);
    e.caracteres.pop_back();
}

bool ultimo_e_espaco(const edicao_linha& e) {
    return !e.caracteres.empty() && e.caracteres.back().bytes == 1 && e.linha.back() == ' ';
}

// Erases characters from the end while `continuar` says so, then blanks their cells.
template <typename Condicao>
void apagar_enquanto(edicao_linha& e, std::string& eco, Condicao continuar) {
    const lugar_do_cursor de = fim(e);
    while (!e.caracteres.empty() && continuar())
        tirar_ultimo(e);
    recuar(eco, de, fim(e), largura_de(e.forma));
}

// One character as the player sees it: a base character and the combining marks after it.
void apagar_caractere(edicao_linha& e, std::string& eco) {
    bool base = false;
    apagar_enquanto(e, eco, [&] {
        if (base) return false;
        base = e.caracteres.back().colunas != 0;
        return true;
    });
}

void apagar_palavra(edicao_linha& e, std::string& eco) {
    bool na_palavra = false;
    apagar_enquanto(e, eco, [&] {
        const bool espaco = ultimo_e_espaco(e);
        if (!espaco) na_palavra = true;
        return !(espaco && na_palavra);
    });
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

void comecar_linha(edicao_linha& e, int coluna) {
    e.linha.clear();
    e.caracteres.clear();
    e.inicio = {0, std::clamp(coluna, 0, largura_de(e.forma))};
}

std::string linha_mostrada(const edicao_linha& e) {
    std::string mostrada;
    std::size_t byte = 0;
    for (const caractere_da_linha& c : e.caracteres) {
        mostrada +=
            c.substituido ? substituto(e.forma) : std::string_view(e.linha).substr(byte, c.bytes);
        byte += c.bytes;
    }
    return mostrada;
}

void refazer_disposicao(edicao_linha& e, int coluna) {
    const int largura = largura_de(e.forma);
    e.inicio = {0, std::clamp(coluna, 0, largura)};
    lugar_do_cursor lugar = e.inicio;
    for (caractere_da_linha& c : e.caracteres)
        c.depois = lugar = avancar(lugar, c.colunas, largura);
}

bool escape_pendente(const edicao_linha& e) {
    return e.escape != fora;
}

void abandonar_escape(edicao_linha& e) {
    e.escape = fora;
}

passo_edicao editar_byte(edicao_linha& e, unsigned char b, std::string& eco) {
    if (seguir_escape(e, b)) return passo_edicao::continua;
    if (!e.incompleto.empty()) {
        if (continuacao(b)) {
            e.incompleto += static_cast<char>(b);
            if (e.incompleto.size() == tamanho_utf8(static_cast<unsigned char>(e.incompleto[0]))) {
                acrescentar_caractere(e, e.incompleto, eco);
                e.incompleto.clear();
            }
            return passo_edicao::continua;
        }
        acrescentar_invalido(e, e.incompleto, eco); // cut short by `b`, which counts by itself
        e.incompleto.clear();
    }
    switch (b) {
    case '\r':
    case '\n':
        e.linha += '\n';
        eco += '\n';
        return passo_edicao::linha_pronta;
    case '\t':
        acrescentar(e, " ", 1, false, eco);
        return passo_edicao::continua;
    case ctrl_d:
        return e.linha.empty() ? passo_edicao::fim_da_entrada : passo_edicao::continua;
    case backspace:
    case apagar:
        apagar_caractere(e, eco);
        return passo_edicao::continua;
    case ctrl_u:
        apagar_enquanto(e, eco, [] { return true; });
        return passo_edicao::continua;
    case ctrl_w:
        apagar_palavra(e, eco);
        return passo_edicao::continua;
    case escape:
        e.escape = depois_do_escape;
        return passo_edicao::continua;
    default:
        break;
    }
    if (b < 0x20) return passo_edicao::continua;
    const char byte = static_cast<char>(b);
    if (e.forma.utf8 && b >= 0x80) {
        if (tamanho_utf8(b) > 1) {
            e.incompleto = byte;
        } else {
            acrescentar_invalido(e, std::string_view(&byte, 1), eco);
        }
        return passo_edicao::continua;
    }
    acrescentar_caractere(e, std::string_view(&byte, 1), eco);
    return passo_edicao::continua;
}

int coluna_depois(std::string_view texto, const forma_do_terminal& forma) {
    const int largura = largura_de(forma);
    lugar_do_cursor lugar;
    int& coluna = lugar.coluna;
    auto na_tela = [&] { return std::min(coluna, largura - 1); }; // a full row's cursor
    for (std::size_t i = 0; i < texto.size();) {
        const auto b = static_cast<unsigned char>(texto[i]);
        if (b == escape && i + 1 < texto.size() && texto[i + 1] == '[') {
            std::size_t fim = i + 2;
            int parametros[2] = {0, 0};
            int n = 0;
            for (; fim < texto.size() && (texto[fim] < 0x40 || texto[fim] > 0x7E); ++fim) {
                if (texto[fim] == ';') {
                    n = std::min(n + 1, 1);
                } else if (texto[fim] >= '0' && texto[fim] <= '9' && parametros[n] < 100000) {
                    parametros[n] = parametros[n] * 10 + (texto[fim] - '0');
                }
            }
            if (fim == texto.size()) break;
            const int primeiro = std::max(parametros[0], 1);
            switch (texto[fim]) {
            case 'H':
            case 'f':
                coluna = std::clamp(parametros[1] - 1, 0, largura - 1);
                break;
            case 'G':
                coluna = std::clamp(primeiro - 1, 0, largura - 1);
                break;
            case 'C':
                coluna = std::min(na_tela() + primeiro, largura - 1);
                break;
            case 'D':
                coluna = std::max(na_tela() - primeiro, 0);
                break;
            case 'A':
            case 'B':
                coluna = na_tela();
                break;
            default:
                break;
            }
            i = fim + 1;
        } else if (b == escape) {
            i += 2; // a two-byte sequence, such as the cursor's save and restore
        } else if (b == '\n' || b == '\r') {
            coluna = 0;
            ++i;
        } else if (b == '\b') {
            coluna = std::max(na_tela() - 1, 0);
            ++i;
        } else if (b == '\t') {
            coluna = std::min((na_tela() / 8 + 1) * 8, largura - 1);
            ++i;
        } else if (b < 0x20 || b == apagar || (!forma.utf8 && b >= 0x80 && b < 0xA0)) {
            ++i;
        } else {
            std::size_t n = forma.utf8 ? std::max<std::size_t>(tamanho_utf8(b), 1) : 1;
            n = std::min(n, texto.size() - i);
            char32_t ponto = b;
            int colunas = 1;
            if (forma.utf8 && n > 1) {
                colunas = decodificar(texto.substr(i, n), ponto) ? colunas_de(forma, ponto) : 1;
                if (colunas < 0) colunas = 1;
            }
            lugar = avancar(lugar, colunas, largura);
            i += n;
        }
    }
    return coluna;
}

bool tirar_pedaco(std::string& pendente, std::string& pedaco, std::size_t maior) {
    const auto fim_da_linha = pendente.find('\n');
    if (fim_da_linha == std::string::npos && pendente.size() < maior) return false;
    const std::size_t n = fim_da_linha == std::string::npos ? maior : fim_da_linha + 1;
    pedaco.assign(pendente, 0, n);
    pendente.erase(0, n);
    return true;
}
