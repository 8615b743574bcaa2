// libFuzzer target: arbitrary bytes as everything the player types, whole games run on the
// virtual terminal until the end of input, with a bound on the work done between two reads.
#include "console/comum/edicao_linha.h"
#include "tests/terminal_virtual.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Work the game may do after a read: enough for a whole round or the fireworks, far below
// what a loop that has stopped taking input reaches.
constexpr long long passos_por_leitura = 5000;
constexpr long long passos_por_byte = 200;

// The bytes as lines, each with its '\n'; the last piece keeps none when the input has none.
std::vector<std::string> em_linhas(const std::uint8_t* dados, std::size_t tamanho) {
    std::vector<std::string> linhas;
    std::string linha;
    for (std::size_t i = 0; i < tamanho; ++i) {
        linha += static_cast<char>(dados[i]);
        if (dados[i] == '\n') linhas.push_back(std::move(linha)), linha.clear();
    }
    if (!linha.empty()) linhas.push_back(std::move(linha));
    return linhas;
}

[[noreturn]] void falha(const char* motivo) {
    std::fprintf(stderr, "quirelo_fuzz: %s\n", motivo);
    std::abort();
}

// The same bytes typed at a terminal, through the line editor: every line it hands over ends
// with its one '\n' and holds no control byte, whatever was typed.
void editar(const std::uint8_t* dados, std::size_t tamanho) {
    edicao_linha edicao;
    std::string eco;
    for (std::size_t i = 0; i < tamanho; ++i) {
        const passo_edicao passo = editar_byte(edicao, dados[i], eco);
        if (passo == passo_edicao::fim_da_entrada) {
            if (!edicao.linha.empty()) falha("Ctrl-D ended the input with a line being typed");
            return;
        }
        if (passo != passo_edicao::linha_pronta) continue;
        const std::string& linha = edicao.linha;
        if (linha.empty() || linha.back() != '\n') falha("a finished line without its line feed");
        for (std::size_t j = 0; j + 1 < linha.size(); ++j)
            if (static_cast<unsigned char>(linha[j]) < 0x20 || linha[j] == 0x7F)
                falha("a control byte in an edited line");
        comecar_linha(edicao, 0);
        eco.clear();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dados, std::size_t tamanho) {
    editar(dados, tamanho);
    vt_reiniciar(80, 30);
    vt_guardar_telas(false);
    vt_limitar_passos(passos_por_leitura, passos_por_byte);
    vt_entrada(em_linhas(dados, tamanho));
    int estado = -1;
    try {
        estado = vt_executar();
    } catch (const passos_esgotados&) {
        falha("the game kept going without taking input (a loop)");
    }
    if (estado != 0) falha("the game did not end with status 0 at the end of input");
    return 0;
}
