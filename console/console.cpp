// The console operations over the primitives: centring, formats, the key prompt, the reads.
#include "console/console.h"

#include "console/comum/texto.h"
#include "console/terminal.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

namespace {

// The input taken from the terminal and not yet consumed: what a read leaves is the next one's.
struct fluxo_de_entrada {
    std::string pedaco;
    std::size_t posicao = 0;
};

fluxo_de_entrada entrada;

constexpr int fim_da_entrada = -1;

// The next input byte, not taken, fetched when needed; `fim_da_entrada` when the input is over.
int espiar() {
    while (entrada.posicao >= entrada.pedaco.size()) {
        entrada.posicao = 0;
        if (!terminal_ler_entrada(entrada.pedaco)) {
            entrada.pedaco.clear();
            return fim_da_entrada;
        }
    }
    return static_cast<unsigned char>(entrada.pedaco[entrada.posicao]);
}

void avancar() {
    ++entrada.posicao;
}

bool espaco(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool digito(int c) {
    return c >= '0' && c <= '9';
}

// Skips white space, line feeds included; ends the program when the input ends first.
void pular_espacos() {
    int c;
    while (espaco(c = espiar()))
        avancar();
    if (c == fim_da_entrada) terminal_encerrar(0);
}

// Drops everything up to and including the next line feed, so that no later read sees it.
void descartar_linha() {
    for (int c = espiar(); c != fim_da_entrada; c = espiar()) {
        avancar();
        if (c == '\n') return;
    }
}

} // namespace

void iniciar_console() {
    // Memory run out ends the game with the terminal given back, never with it left raw.
    std::set_new_handler([] { terminal_falhar("memoria insuficiente", 0); });
    terminal_iniciar();
}

void esperar_tecla() {
    escrever("Pressione qualquer tecla para continuar. . .");
    terminal_esperar_tecla();
    escrever("\n");
}

void escrever_formato(const char* formato, int valor) {
    std::string texto = formato;
    if (auto marca = texto.find("%d"); marca != std::string::npos)
        texto.replace(marca, 2, std::to_string(valor));
    escrever(texto);
}

void escrever_linha(const char* texto) {
    escrever(std::string(texto) + '\n');
}

int coluna_do_bloco(int largura) {
    return (largura - 40) / 2;
}

void centralizar(int linha) {
    terminal_mover_cursor(linha, coluna_do_bloco);
}

int ler_numero() {
    pular_espacos();
    const int sinal = espiar();
    if (sinal == '+' || sinal == '-') avancar();
    const bool com_digito = digito(espiar());
    // Held at 2^31 + 1, beyond both ends of 32 bits.
    constexpr std::int64_t alem = std::int64_t{INT32_MAX} + 2;
    std::int64_t valor = 0;
    for (int c = espiar(); digito(c); c = espiar()) {
        valor = std::min(valor * 10 + (c - '0'), alem);
        avancar();
    }
    if (sinal == '-') valor = -valor;
    if (!com_digito || valor > INT32_MAX || valor < INT32_MIN) {
        descartar_linha();
        return nao_numero;
    }
    return static_cast<int>(valor);
}

char ler_caractere() {
    pular_espacos();
    const int primeiro = espiar();
    avancar();
    // A UTF-8 character is taken whole, so that no stray continuation byte is left behind.
    while (primeiro >= 0xC0 && continuacao_utf8(espiar()))
        avancar();
    return static_cast<char>(primeiro);
}
