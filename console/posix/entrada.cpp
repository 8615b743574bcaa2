// The POSIX backend's input: lines read as they come or edited and echoed here, and the key wait.
#include "console/edicao_linha.h"
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

// The longest piece of a line handed to the reads at once; a longer line comes in pieces.
constexpr std::size_t maior_pedaco = 4096;
// The most typed-ahead input set aside before a key wait; what arrives beyond it stays with the
// terminal, so that input that never stops cannot grow the game's memory.
constexpr std::size_t maior_reserva = 65536;
// How long the rest of a key's bytes (an escape sequence, a UTF-8 letter) may take to arrive.
constexpr int espera_resto_da_tecla_ms = 50;

// The input taken from the terminal and not yet handed to the reads.
struct estado_da_entrada {
    std::string pendente; // typed bytes taken from the terminal but not yet edited
    edicao_linha edicao;  // the line being typed
    bool fim = false;     // standard input is over
};

estado_da_entrada entrada;

// Waits up to `ms` (or for ever when negative) for input, drawing the screen again meanwhile
// when it must be; false on a time-out.
bool ha_entrada(int ms) {
    return esperar_descritor(STDIN_FILENO, false, ms < 0 ? -1 : agora_ns() + ms * 1'000'000LL);
}

// Reads up to `maximo` bytes into `destino` once they are there, so that the read itself never
// blocks while the screen is to be drawn again; 0 at end of input. A fault ends the game.
std::size_t ler_do_terminal(void* destino, std::size_t maximo) {
    for (;;) {
        ha_entrada(-1);
        const ssize_t lidos = ::read(STDIN_FILENO, destino, maximo);
        if (lidos >= 0) return static_cast<std::size_t>(lidos);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            terminal_falhar("erro ao ler a entrada", errno);
    }
}

// Reads what is there into `pendente`; false at end of input.
bool receber(std::size_t maximo) {
    char bloco[maior_pedaco];
    const std::size_t lidos = ler_do_terminal(bloco, std::min(maximo, sizeof bloco));
    entrada.pendente.append(bloco, lidos);
    entrada.fim = lidos == 0;
    return !entrada.fim;
}

// Input from a pipe, a file or a terminal in its own canonical mode: lines as they come.
bool ler_sem_edicao(std::string& pedaco) {
    for (;;) {
        if (tirar_pedaco(entrada.pendente, pedaco, maior_pedaco)) return true;
        if (entrada.fim || !receber(maior_pedaco - entrada.pendente.size())) {
            pedaco = std::exchange(entrada.pendente, {}); // the last piece, without its line feed
            return !pedaco.empty();
        }
    }
}

// Input typed at the terminal: edited and echoed here, beginning with what was typed ahead. The
// line's echo begins where the cursor stands, and is laid out again whenever the screen was drawn
// again for a new size; a lone Esc is dropped once the rest of a key's sequence has had time to
// come.
bool ler_com_edicao(std::string& pedaco) {
    entrada.edicao.forma = forma_da_tela();
    comecar_linha(entrada.edicao, coluna_do_cursor(entrada.edicao.forma));
    unsigned disposta_em = redesenhos_da_tela();
    for (;;) {
        if (disposta_em != redesenhos_da_tela()) {
            disposta_em = redesenhos_da_tela();
            entrada.edicao.forma = forma_da_tela();
            refazer_disposicao(entrada.edicao, coluna_do_cursor(entrada.edicao.forma));
        }
        std::size_t usados = 0;
        std::string eco;
        passo_edicao passo = passo_edicao::continua;
        while (usados < entrada.pendente.size() && passo == passo_edicao::continua &&
               entrada.edicao.linha.size() < maior_pedaco)
            passo = editar_byte(entrada.edicao,
                                static_cast<unsigned char>(entrada.pendente[usados++]), eco);
        entrada.pendente.erase(0, usados);
        if (passo == passo_edicao::fim_da_entrada) {
            ecoar_digitacao(eco, linha_mostrada(entrada.edicao), false);
            entrada.fim = true;
            return false;
        }
        const bool pronta = passo == passo_edicao::linha_pronta;
        const bool entregue = pronta || entrada.edicao.linha.size() >= maior_pedaco;
        ecoar_digitacao(eco, linha_mostrada(entrada.edicao) + (pronta ? "\n" : ""), entregue);
        if (entregue) {
            pedaco = std::move(entrada.edicao.linha);
            entrada.edicao.linha.clear();
            return true;
        }
        mostrar_tela();
        if (escape_pendente(entrada.edicao) && !ha_entrada(espera_resto_da_tecla_ms))
            abandonar_escape(entrada.edicao);
        if (entrada.fim || !receber(maior_pedaco)) return false;
    }
}

// How many bytes follow a UTF-8 lead byte.
int continuacoes(unsigned char b) {
    if (b >= 0xF0) return 3;
    if (b >= 0xE0) return 2;
    if (b >= 0xC0) return 1;
    return 0;
}

// One byte straight from the terminal, waiting up to `ms` (for ever when negative: the read's
// own wait). The end of input ends the game.
bool byte_da_tecla(unsigned char& b, int ms) {
    if (ms >= 0 && !ha_entrada(ms)) return false;
    if (ler_do_terminal(&b, 1) == 0) terminal_encerrar(0);
    return true;
}

} // namespace

bool terminal_ler_entrada(std::string& pedaco) {
    pedaco.clear();
    mostrar_tela();
    recomecar_prazos();
    return terminal_tomado() ? ler_com_edicao(pedaco) : ler_sem_edicao(pedaco);
}

void terminal_esperar_tecla() {
    recomecar_prazos();
    if (!terminal_tomado()) {
        mostrar_tela();
        return;
    }
    // Keys typed before the prompt is on the screen stay in the input for the reads; the wait is
    // for a new one. They are taken aside before the prompt is written, so that a key pressed
    // the moment it shows is never mistaken for one typed ahead.
    while (!entrada.fim && entrada.pendente.size() < maior_reserva && ha_entrada(0))
        if (!receber(maior_pedaco)) break;
    mostrar_tela();
    unsigned char b = 0;
    byte_da_tecla(b, -1);
    if (b == 0x1B) {
        // An escape sequence is one key: ESC [ ... final byte, ESC O x, or Alt with a key.
        unsigned char seguinte = 0;
        if (!byte_da_tecla(seguinte, espera_resto_da_tecla_ms)) return;
        if (seguinte == '[') {
            while (byte_da_tecla(seguinte, espera_resto_da_tecla_ms))
                if (seguinte >= 0x40 && seguinte <= 0x7E) break;
        } else if (seguinte == 'O') {
            byte_da_tecla(seguinte, espera_resto_da_tecla_ms);
        }
        return;
    }
    // A letter of several bytes is one key; in a one-byte encoding every byte is one.
    for (int resto = forma_da_tela().utf8 ? continuacoes(b) : 0; resto > 0; --resto)
        if (!byte_da_tecla(b, espera_resto_da_tecla_ms)) break;
}
