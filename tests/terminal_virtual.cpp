// The virtual terminal: the terminal primitives over a model screen, for in-process tests.
#include "tests/terminal_virtual.h"

#include "tests/telas_esperadas.h"

#include "console/console.h"
#include "console/terminal.h"
#include "game/jogo.h"

#include <algorithm>
#include <deque>
#include <memory>

namespace {

struct estado_virtual {
    int largura = 80, altura = 30;
    quadro tela;
    int linha = 0, coluna = 0;
    bool com_esquema = false;
    int fundo_esquema = cor_padrao, frente_esquema = cor_padrao;
    int fundo = cor_padrao, frente = cor_padrao; // attributes of the text written next
    long long relogio = 0;
    std::vector<evento> eventos;
    std::vector<std::string> desconhecidas;
    jogador quem_joga;
    long long passos_base = 0, passos_por_byte = 0, passos_restantes = 0;
    bool guardar_telas = true;
};

estado_virtual v;

// A hexadecimal digit of a console scheme as an ANSI colour.
int ansi_do_digito(char d) {
    const int valor = d >= 'A' ? d - 'A' + 10 : d - '0';
    return esperado::ansi_do_digito[valor % 8] + (valor >= 8 ? 8 : 0);
}

void atributos_normais() {
    v.fundo = v.com_esquema ? v.fundo_esquema : cor_padrao;
    v.frente = v.com_esquema ? v.frente_esquema : cor_padrao;
}

std::vector<celula> linha_vazia() {
    return std::vector<celula>(static_cast<std::size_t>(v.largura), celula{" ", v.frente, v.fundo});
}

void nova_linha() {
    v.coluna = 0;
    if (++v.linha < v.altura) return;
    v.tela.erase(v.tela.begin());
    v.tela.push_back(linha_vazia());
    v.linha = v.altura - 1;
}

void pintar(std::string caractere) {
    if (v.coluna >= v.largura) nova_linha();
    v.tela[static_cast<std::size_t>(v.linha)][static_cast<std::size_t>(v.coluna++)] =
        celula{std::move(caractere), v.frente, v.fundo};
}

// One step of the game's work; throws once the bound since the last read is used up.
void passo() {
    if (v.passos_base == 0 && v.passos_por_byte == 0) return;
    if (--v.passos_restantes < 0) throw passos_esgotados{};
}

// The first parameter of an SGR sequence; -1 when it is not a plain small number (the echo of
// the player's input can carry any bytes).
int primeiro_parametro(const std::string& parametros) {
    int n = 0;
    std::size_t i = 0;
    for (; i < parametros.size() && parametros[i] >= '0' && parametros[i] <= '9' && n < 1000; ++i)
        n = n * 10 + (parametros[i] - '0');
    return i == parametros.size() ? n : -1;
}

void aplicar_sgr(const std::string& parametros) {
    const int n = primeiro_parametro(parametros);
    if (n == 0) {
        atributos_normais();
    } else if (n >= 30 && n <= 37) {
        v.frente = n - 30;
    } else if (n >= 40 && n <= 47) {
        v.fundo = n - 40;
    } else {
        v.desconhecidas.push_back(parametros + "m");
    }
}

void registrar(evento::tipo_de_evento tipo, int ms) {
    passo();
    v.eventos.push_back(evento{tipo, ms, v.relogio, v.guardar_telas ? v.tela : quadro{}});
}

} // namespace

void vt_reiniciar(int largura, int altura) {
    v = estado_virtual{};
    v.largura = largura;
    v.altura = altura;
    v.tela.assign(static_cast<std::size_t>(altura), linha_vazia());
}

void vt_limitar_passos(long long base, long long por_byte) {
    v.passos_base = base;
    v.passos_por_byte = por_byte;
    v.passos_restantes = base;
}

void vt_guardar_telas(bool guardar) {
    v.guardar_telas = guardar;
}

void vt_jogador(jogador quem_joga) {
    v.quem_joga = std::move(quem_joga);
}

void vt_entrada(std::vector<std::string> linhas) {
    auto fila = std::make_shared<std::deque<std::string>>(linhas.begin(), linhas.end());
    vt_jogador([fila]() -> std::optional<std::string> {
        if (fila->empty()) return std::nullopt;
        std::string linha = fila->front();
        fila->pop_front();
        return linha;
    });
}

const quadro& vt_tela() {
    return v.tela;
}

std::string vt_linha(int linha, const quadro& tela) {
    std::string texto;
    for (const celula& c : tela[static_cast<std::size_t>(linha)])
        texto += c.caractere;
    texto.erase(texto.find_last_not_of(' ') + 1);
    return texto;
}

int vt_linha_do_cursor() {
    return v.linha;
}
const std::vector<evento>& vt_eventos() {
    return v.eventos;
}
const std::vector<std::string>& vt_desconhecidas() {
    return v.desconhecidas;
}

int vt_executar() {
    try {
        laco_do_menu();
    } catch (const fim_do_programa& fim) {
        return fim.estado;
    }
}

void terminal_iniciar() {}
void definir_locale() {}

void escrever(std::string_view texto) {
    passo();
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const auto b = static_cast<unsigned char>(texto[i]);
        if (b == '\033' && i + 1 < texto.size() && texto[i + 1] == '[') {
            std::size_t fim = i + 2;
            while (fim < texto.size() && (texto[fim] < 0x40 || texto[fim] > 0x7E))
                ++fim;
            const std::string parametros(texto.substr(i + 2, fim - i - 2));
            if (fim < texto.size() && texto[fim] == 'm') {
                aplicar_sgr(parametros);
            } else {
                v.desconhecidas.emplace_back(texto.substr(i, fim - i + 1));
            }
            i = fim;
        } else if (b == '\n') {
            nova_linha();
        } else if (b >= 0x20) {
            std::size_t tamanho = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            pintar(std::string(texto.substr(i, tamanho)));
            i += tamanho - 1;
        } else {
            v.desconhecidas.push_back("control " + std::to_string(b));
        }
    }
}

void limpar_tela() {
    passo();
    atributos_normais();
    v.tela.assign(static_cast<std::size_t>(v.altura), linha_vazia());
    v.linha = v.coluna = 0;
}

void definir_esquema(std::string_view esquema) {
    v.com_esquema = true;
    v.fundo_esquema = ansi_do_digito(esquema[0]);
    v.frente_esquema = ansi_do_digito(esquema[1]);
    for (auto& linha : v.tela)
        for (celula& c : linha)
            c.fundo = v.fundo_esquema, c.frente = v.frente_esquema;
    atributos_normais();
}

void terminal_mover_cursor(int linha, int (*coluna_na_largura)(int)) {
    const int coluna = coluna_na_largura(v.largura);
    if (coluna < 0) return;
    v.linha = std::min(linha, v.altura - 1);
    v.coluna = std::min(coluna, v.largura - 1);
}

void esperar(int ms) {
    registrar(evento::espera, ms);
    v.relogio += ms;
}

bool terminal_ler_entrada(std::string& pedaco) {
    registrar(evento::leitura, 0);
    std::optional<std::string> linha = v.quem_joga ? v.quem_joga() : std::nullopt;
    if (!linha) {
        pedaco.clear();
        return false;
    }
    pedaco = *linha;
    v.passos_restantes =
        v.passos_base + v.passos_por_byte * static_cast<long long>(pedaco.size()) + 1;
    escrever(pedaco); // the terminal's echo
    return true;
}

void terminal_esperar_tecla() {
    registrar(evento::tecla, 0);
}

void terminal_encerrar(int estado) {
    throw fim_do_programa{estado};
}

void terminal_falhar(const char*, int) {
    throw fim_do_programa{1};
}
