// The POSIX backend's input: lines read as they come or typed at the terminal, and the key wait.
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

// The most typed-ahead input set aside before a key wait; what arrives beyond it stays with the
// terminal, so that input that never stops cannot grow the game's memory.
constexpr std::size_t maior_reserva = 65536;
// How long the rest of a key's bytes (an escape sequence, a UTF-8 letter) may take to arrive.
constexpr long long espera_resto_da_tecla_ns = 50'000'000;

// The input taken from the terminal and not yet handed to the reads.
struct estado_da_entrada {
    std::string pendente; // bytes read but not yet handed out (or, at a terminal, edited)
    bool fim = false;     // standard input is over
};

estado_da_entrada entrada;

// Reads up to `maximo` bytes into `destino` once they are there, so that the read itself never
// blocks while the screen is to be drawn again; 0 at end of input. A fault ends the game.
std::size_t ler(void* destino, std::size_t maximo) {
    for (;;) {
        aguardar(STDIN_FILENO, -1);
        const ssize_t lidos = ::read(STDIN_FILENO, destino, maximo);
        if (lidos >= 0) return static_cast<std::size_t>(lidos);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            terminal_falhar("erro ao ler a entrada", errno);
    }
}

// Reads what is there, up to `maximo` bytes, into `pendente`; false at end of input.
bool receber(std::size_t maximo = maior_pedaco) {
    if (entrada.fim) return false;
    char bloco[maior_pedaco];
    const std::size_t lidos = ler(bloco, std::min(maximo, sizeof bloco));
    entrada.pendente.append(bloco, lidos);
    entrada.fim = lidos == 0;
    return !entrada.fim;
}

// Input typed at the terminal: edited and echoed, beginning with what was typed ahead. A lone
// Esc is dropped once the rest of a key's sequence has had time to come.
bool ler_com_edicao(std::string& pedaco) {
    comecar_a_digitar();
    for (;;) {
        switch (digitar(entrada.pendente, pedaco)) {
        case passo_edicao::linha_pronta:
            return true;
        case passo_edicao::fim_da_entrada:
            entrada.fim = true;
            return false;
        case passo_edicao::continua:
            break;
        }
        descarregar();
        if (escape_pendente() && !aguardar(STDIN_FILENO, agora_ns() + espera_resto_da_tecla_ns))
            abandonar_escape();
        if (!receber()) return false;
    }
}

// One byte straight from the terminal, waiting up to `ns` for it (for ever when negative). The
// end of input ends the game.
bool byte_da_tecla(unsigned char& b, long long ns) {
    if (ns >= 0 && !aguardar(STDIN_FILENO, agora_ns() + ns)) return false;
    if (ler(&b, 1) == 0) terminal_encerrar(0);
    return true;
}

} // namespace

bool terminal_ler_entrada(std::string& pedaco) {
    pedaco.clear();
    descarregar();
    recomecar_prazos();
    if (terminal_tomado()) return ler_com_edicao(pedaco);
    // A pipe, a file or a terminal in its own canonical mode: lines as they come.
    return ler_em_pedacos(entrada.pendente, pedaco,
                          [] { return receber(maior_pedaco - entrada.pendente.size()); });
}

void terminal_esperar_tecla() {
    recomecar_prazos();
    if (!terminal_tomado()) {
        descarregar();
        return;
    }
    // Keys typed before the prompt is on the screen stay in the input for the reads; the wait is
    // for a new one. They are taken aside before the prompt is written, so that a key pressed
    // the moment it shows is never mistaken for one typed ahead.
    while (entrada.pendente.size() < maior_reserva && aguardar(STDIN_FILENO, agora_ns()))
        if (!receber()) break;
    descarregar();
    unsigned char b = 0;
    byte_da_tecla(b, -1);
    // An escape sequence is one key, and so is a letter of several bytes (in a one-byte
    // encoding every byte is one).
    if (escape e = escape::fora; seguir_escape(e, b)) {
        while (e != escape::fora && byte_da_tecla(b, espera_resto_da_tecla_ns))
            seguir_escape(e, b);
        return;
    }
    for (std::size_t resto = texto_em_utf8() ? std::max<std::size_t>(tamanho_utf8(b), 1) - 1 : 0;
         resto > 0 && byte_da_tecla(b, espera_resto_da_tecla_ns); --resto) {
    }
}
