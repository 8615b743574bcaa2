// The POSIX backend's input: lines read as they come or typed at the terminal, and the key wait.
#include "console/posix/posix.h"
#include "console/terminal.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

// The most typed-ahead input set aside before a key wait; beyond it, it stays with the terminal.
constexpr std::size_t maior_reserva = 65536;

// The input taken from the terminal and not yet handed to the reads.
struct estado_da_entrada {
    std::string pendente; // bytes read but not yet handed out (or, at a terminal, edited)
    bool fim = false;     // standard input is over
};

estado_da_entrada entrada;

// Reads up to `maximo` bytes once there (the screen drawn meanwhile); 0 at the end; a fault ends.
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

// One byte from the terminal within `ns` (any time when negative); the end of input ends the game.
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
    if (terminal_tomado()) {
        if (digitar_linha(entrada.pendente, pedaco, [] { return receber(); })) return true;
        entrada.fim = true; // Ctrl-D on an empty line, or the terminal's end
        return false;
    }
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
    // Keys typed before the prompt are set aside for the reads, never taken for the new key.
    while (entrada.pendente.size() < maior_reserva && aguardar(STDIN_FILENO, agora_ns()))
        if (!receber()) break;
    descarregar();
    unsigned char b = 0;
    byte_da_tecla(b, -1);
    // An escape sequence is one key, and so is a UTF-8 letter.
    if (escape e = escape::fora; seguir_escape(e, b)) {
        while (e != escape::fora && byte_da_tecla(b, espera_resto_da_tecla_ns))
            seguir_escape(e, b);
        return;
    }
    for (std::size_t resto = texto_em_utf8() ? std::max<std::size_t>(tamanho_utf8(b), 1) - 1 : 0;
         resto > 0 && byte_da_tecla(b, espera_resto_da_tecla_ns); --resto) {
    }
}
