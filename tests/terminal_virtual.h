// A virtual terminal for in-process tests: a model screen, a virtual clock and a scripted player
// behind the terminal primitives, so that whole games run in microseconds.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Colours are ANSI numbers (named in tests/telas_esperadas.h); `cor_padrao` is the terminal's own
// default.
constexpr int cor_padrao = -1;

struct celula {
    std::string caractere = " ";
    int frente = cor_padrao;
    int fundo = cor_padrao;
};

using quadro = std::vector<std::vector<celula>>;

// What the game waited on, when (virtual milliseconds) and with what on screen.
struct evento {
    enum tipo_de_evento { espera, leitura, tecla };
    tipo_de_evento tipo;
    int ms; // the length of a wait; 0 for reads and key waits
    long long instante;
    quadro tela;
};

// Thrown where the program would end, carrying its exit status.
struct fim_do_programa {
    int estado;
};

// Gives the next line of input (with its '\n') when the game needs one; nothing at end of input.
using jogador = std::function<std::optional<std::string>()>;

// A fresh terminal of the given size, default colours, no scheme, clock at 0, no input.
void vt_reiniciar(int largura, int altura = 30);
void vt_jogador(jogador quem_joga);
// Input as fixed lines, then end of input.
void vt_entrada(std::vector<std::string> linhas);

const quadro& vt_tela();
// The text of a row with trailing blanks dropped.
std::string vt_linha(int linha, const quadro& tela = vt_tela());
int vt_linha_do_cursor();
const std::vector<evento>& vt_eventos();
// Escape sequences the model did not understand (the game should write none).
const std::vector<std::string>& vt_desconhecidas();

// Thrown when the game has done more steps (writes, clears, waits) since its last read than the
// bound set with `vt_limitar_passos` allows: a loop that no longer takes input.
struct passos_esgotados {};

// After each read, allows `base` + `por_byte` x (bytes of the line handed over) steps before
// the next read; 0 and 0 (the default) means no bound.
void vt_limitar_passos(long long base, long long por_byte);
// Whether events keep a snapshot of the screen (the default); off for long runs.
void vt_guardar_telas(bool guardar);

// Runs the menu loop until the program ends; returns its exit status.
int vt_executar();
