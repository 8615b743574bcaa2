// Every screen the player sees, each drawn in one place: the menu, the start of a game and a
// round's count-down, a colour flash, the answer screen, the endings, the rules and the credits.
#pragma once

// --- menu.cpp ---

// Draws the main menu and returns the number typed (`nao_numero` for an entry that is not one).
int menu();

// The red "Opcao invalida!" below the menu, held for a second.
void opcao_invalida();

// --- contagem.cpp ---

// The banner that starts a game, held for a second, then cleared.
void jogo_iniciado();

// Announces round `numero` and counts down five seconds; returns with the screen cleared.
void rodada(int numero);

// --- piscada.cpp ---

// Flash `posicao` (from 1) of a round: the whole screen in the scheme of colour `cor` with
// "Cor:posicao" on it, for the colour's time; returns with the screen cleared and the scheme
// still in force.
void piscar_cor(int posicao, int cor);

// --- respostas.cpp ---

// Writes the legend of the six colours and puts the console back to its normal scheme.
void tabela_cores();

// After the last flash: a moment on its colour, then the legend and the instructions.
void tela_de_respostas();

// Asks for colour `posicao` (from 1) and returns the number typed (`nao_numero` for an entry that
// is not one).
int perguntar_cor(int posicao);

// "ACERTOU!" and the go-on prompt; returns the first character typed.
char perguntar_se_continua();

// --- resultados.cpp ---

// The wrong-sequence screen; returns at once with the cursor on the line below it.
void erro();

// The wrong-sequence screen, then the `tamanho` colours of `sequencia` after it, held, then
// cleared.
void sequencia_certa(const int* sequencia, int tamanho);

// The victory screen, held for six seconds.
void vitoria();

// Three frames of fireworks; the last one stays on screen.
void fogos();

// --- informacoes.cpp ---

// The rules and the coloured table of colours, until a key is pressed.
void regras();

// The game's authors, until a key is pressed.
void creditos();
