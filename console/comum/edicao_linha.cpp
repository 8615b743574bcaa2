// Lines in pieces and the line being typed.
#include "console/comum/edicao_linha.h"

#include <algorithm>
#include <utility>

namespace {

constexpr unsigned char ctrl_d = 0x04, backspace = 0x08, ctrl_u = 0x15, ctrl_w = 0x17,
                        apagar = 0x7F;

// What stands on screen for a character that cannot be shown: U+FFFD in UTF-8, '?' in one byte.
std::string_view substituto(const forma_do_terminal& forma) {
    return forma.utf8 ? "\xEF\xBF\xBD" : "?";
}

int largura_de(const forma_do_terminal& forma) {
    return std::max(forma.largura, 1);
}

lugar_do_cursor fim(const edicao_linha& e) {
    return e.caracteres.empty() ? e.inicio : e.caracteres.back().depois;
}

// The cursor moved up ('A') or forward ('C') by `vezes`.
void mover(std::string& eco, char direcao, int vezes) {
    if (vezes > 0) eco += "\033[" + (vezes > 1 ? std::to_string(vezes) : "") + direcao;
}

// From a cursor on row `linha` to `alvo`, which is on that row or above it.
void ir_para(std::string& eco, int linha, lugar_do_cursor alvo) {
    eco += '\r';
    mover(eco, 'A', linha - alvo.linha);
    mover(eco, 'C', alvo.coluna);
}

// The echo that blanks the cells from `para` to `de`, cursor left at `para`: backspaces within a
// row; across rows, or from a full row, moves that do not hang on a backspace at a row's edge.
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

// Adds a whole character in the terminal's encoding to the line, and what the screen shows of it;
// one that cannot be shown, or is `cortado` short, takes one column.
void acrescentar(edicao_linha& e, std::string_view bytes, std::string& eco, bool cortado = false) {
    const int lidas = cortado ? -1 : colunas_de(e.forma, bytes);
    const int colunas = lidas < 0 ? 1 : lidas;
    e.linha += bytes;
    e.caracteres.push_back(
        {bytes.size(), colunas, lidas < 0, avancar(fim(e), colunas, largura_de(e.forma))});
    eco += lidas < 0 ? substituto(e.forma) : bytes;
}

// Erases characters from the end while `continuar` says so, then blanks their cells.
template <typename Condicao>
void apagar_enquanto(edicao_linha& e, std::string& eco, Condicao continuar) {
    const lugar_do_cursor de = fim(e);
    while (!e.caracteres.empty() && continuar()) {
        e.linha.resize(e.linha.size() - e.caracteres.back().bytes);
        e.caracteres.pop_back();
    }
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
        const bool espaco = e.caracteres.back().bytes == 1 && e.linha.back() == ' ';
        if (!espaco) na_palavra = true;
        return !(espaco && na_palavra);
    });
}

} // namespace

void comecar_linha(edicao_linha& e, int coluna) {
    e.linha.clear();
    e.caracteres.clear();
    refazer_disposicao(e, coluna);
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

passo_edicao editar_byte(edicao_linha& e, unsigned char b, std::string& eco) {
    if (seguir_escape(e.sequencia, b)) return passo_edicao::continua;
    if (!e.incompleto.empty() && continuacao_utf8(b)) {
        e.incompleto += static_cast<char>(b);
        if (e.incompleto.size() == tamanho_utf8(static_cast<unsigned char>(e.incompleto[0])))
            acrescentar(e, std::exchange(e.incompleto, {}), eco);
        return passo_edicao::continua;
    }
    if (!e.incompleto.empty()) // cut short by `b`, which counts by itself
        acrescentar(e, std::exchange(e.incompleto, {}), eco, true);
    const char byte = static_cast<char>(b);
    if (b == '\r' || b == '\n') {
        e.linha += '\n';
        eco += '\n';
        return passo_edicao::linha_pronta;
    }
    if (b == ctrl_d && e.linha.empty()) return passo_edicao::fim_da_entrada;
    if (b == '\t')
        acrescentar(e, " ", eco);
    else if (b == backspace || b == apagar)
        apagar_caractere(e, eco);
    else if (b == ctrl_u)
        apagar_enquanto(e, eco, [] { return true; });
    else if (b == ctrl_w)
        apagar_palavra(e, eco);
    else if (e.forma.utf8 && tamanho_utf8(b) > 1)
        e.incompleto = byte;
    else if (b >= 0x20)
        acrescentar(e, std::string_view(&byte, 1), eco);
    return passo_edicao::continua;
}

bool ler_em_pedacos(std::string& pendente, std::string& pedaco, bool (*receber)()) {
    auto fim = pendente.find('\n');
    for (; fim == std::string::npos && pendente.size() < maior_pedaco; fim = pendente.find('\n'))
        if (!receber()) {
            pedaco = std::exchange(pendente, {});
            return !pedaco.empty();
        }
    const std::size_t n = fim == std::string::npos ? maior_pedaco : fim + 1;
    pedaco.assign(pendente, 0, n);
    pendente.erase(0, n);
    return true;
}
